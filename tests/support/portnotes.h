// Recording what a port notifies, and pointing COMn at a device, for tests of ports.
#pragma once

#include "serialport.h"

#include <QList>

namespace vrx::test {

struct Note {
    PortEvent kind;
    quint16 id;
    quint16 count;
};

// Collects the notifications a window's PortTrigger would get.
struct NoteRecorder {
    explicit NoteRecorder(SerialPort& port) {
        QObject::connect(&port, &SerialPort::Notify, &port,
                         [this](PortEvent kind, quint16 id, quint16 count) {
                             notes.append({kind, id, count});
                         });
    }
    int Expiries(quint16 id) const {
        int n = 0;
        for (const auto& note : notes)
            n += note.kind == PortEvent::TimerExpired && note.id == id;
        return n;
    }
    QList<Note> notes;
};

inline void UseDevice(int com, const QString& path) {
    qputenv(QByteArray("VRX_COM") + QByteArray::number(com), path.toLocal8Bit());
}

inline void ForgetComDevices() {
    for (int n = 1; n <= 50; ++n)
        qunsetenv(QByteArray("VRX_COM") + QByteArray::number(n));
}

} // namespace vrx::test
