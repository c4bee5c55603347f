// COMn naming: the environment first, then the serial ports present in a stable order.
#include "comnaming.h"

#include "netendpoint.h"
#include "qtserialdevice.h"
#include "tcpline.h"

#include <QCollator>
#include <QCoreApplication>
#include <QHash>
#include <QSerialPortInfo>
#include <QtGlobal>

#include <algorithm>

namespace vrx {

namespace {

// COMn assigned by the program itself; read and written on the main thread only.
QHash<int, QString>& Assigned() {
    static QHash<int, QString> assigned;
    return assigned;
}

int Rank(const QString& path) {
    const QString name = path.section(u'/', -1);
    if (name.startsWith(u"ttyUSB")) return 0;
    if (name.startsWith(u"ttyACM")) return 1;
    return 2;
}

} // namespace

QStringList SortComDevices(QStringList paths) {
    QCollator numeric;
    numeric.setNumericMode(true);
    std::stable_sort(paths.begin(), paths.end(), [&](const QString& a, const QString& b) {
        const int ra = Rank(a), rb = Rank(b);
        if (ra != rb) return ra < rb;
        return numeric.compare(a, b) < 0;
    });
    return paths;
}

QStringList DefaultComDevices() {
    QStringList paths;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        paths << info.systemLocation();
    return SortComDevices(paths);
}

ComTarget ParseComTarget(const QString& text) {
    ComTarget target;
    const QString value = text.trimmed();
    if (value == u"sim" || value.startsWith(u"sim:")) {
        target.kind = ComTarget::Kind::Simulated;
        target.options = value.mid(4);
    } else if (IsNetEndpointText(value)) {
        target.kind = ComTarget::Kind::Network;
        target.path = value;
    } else if (!value.isEmpty()) {
        target.kind = ComTarget::Kind::Device;
        target.path = value;
    }
    return target;
}

void AssignCom(int number, const QString& device) {
    if (device.isEmpty())
        Assigned().remove(number);
    else
        Assigned().insert(number, device);
}

ComTarget ResolveCom(int number, const QStringList& defaults) {
    ComTarget target;
    if (number <= 0) return target;
    if (const auto assigned = Assigned().constFind(number); assigned != Assigned().cend())
        return ParseComTarget(*assigned);
    const QByteArray variable = "VRX_COM" + QByteArray::number(number);
    if (qEnvironmentVariableIsSet(variable.constData()))
        return ParseComTarget(qEnvironmentVariable(variable.constData()));
#ifdef Q_OS_WIN
    Q_UNUSED(defaults);
    target.kind = ComTarget::Kind::Device;
    target.path = QStringLiteral("COM%1").arg(number);
#else
    if (number <= defaults.size()) {
        target.kind = ComTarget::Kind::Device;
        target.path = defaults.at(number - 1);
    }
#endif
    return target;
}

ComTarget ResolveCom(int number) {
    const QByteArray variable = "VRX_COM" + QByteArray::number(number);
    // Listing the system's ports is slow; skip it when the program or the environment decides.
    if (Assigned().contains(number) || qEnvironmentVariableIsSet(variable.constData()))
        return ResolveCom(number, {});
    return ResolveCom(number, DefaultComDevices());
}

std::unique_ptr<LineDevice> CreateLineDevice(int number, QString* error) {
    const ComTarget target = ResolveCom(number);
    switch (target.kind) {
    case ComTarget::Kind::Device:
        return std::make_unique<QtSerialDevice>(target.path);
    case ComTarget::Kind::Simulated:
        if (const auto& factory = InstalledSimulatedLineFactory())
            if (auto device = factory(target.options, nullptr)) return device;
        *error =
            QCoreApplication::translate("vrx::ComNaming", "COM%1: no simulated line is available")
                .arg(number);
        return nullptr;
    case ComTarget::Kind::Network: {
        const std::optional<NetEndpoint> endpoint = ParseNetEndpoint(target.path, error);
        if (!endpoint) {
            *error = QStringLiteral("COM%1: %2").arg(number).arg(*error);
            return nullptr;
        }
        return std::make_unique<TcpLine>(*endpoint);
    }
    case ComTarget::Kind::Missing:
        break;
    }
    *error = QCoreApplication::translate("vrx::ComNaming", "COM%1 does not exist").arg(number);
    return nullptr;
}

bool ComExists(int number, const QStringList& defaults) {
    const ComTarget target = ResolveCom(number, defaults);
    switch (target.kind) {
    case ComTarget::Kind::Simulated:
        return bool(InstalledSimulatedLineFactory());
    case ComTarget::Kind::Device:
        return QtSerialDevice::Probe(target.path);
    case ComTarget::Kind::Network:
        // Whether the other end is there shows only when the line opens.
        return ParseNetEndpoint(target.path, nullptr).has_value();
    case ComTarget::Kind::Missing:
        break;
    }
    return false;
}

QString ComDescription(const ComTarget& target) {
    switch (target.kind) {
    case ComTarget::Kind::Device:
        return target.path;
    case ComTarget::Kind::Simulated:
        return QCoreApplication::translate("vrx::ComNaming", "simulated controllers");
    case ComTarget::Kind::Network:
        if (const auto endpoint = ParseNetEndpoint(target.path, nullptr))
            return DescribeEndpoint(*endpoint);
        return target.path.left(80);
    case ComTarget::Kind::Missing:
        break;
    }
    return {};
}

} // namespace vrx
