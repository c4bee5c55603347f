// RecorderHttpServer: the recorder seen from a browser or Prometheus, read-only: the page, its
// JSON, the metrics, the health check and the record files of the recording's folder.
#pragma once

#include "hubserver.h"
#include "recorderstatus.h"
#include "recordfilelinks.h"

#include <QAbstractHttpServer>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>

class QThread;

namespace vrx {

// On the recorder's event loop: every answer is made from values the last cycle left, so a
// request never waits for the line and the line never waits for a request. Only a CSV is made
// on a thread of its own, as a day's record takes a while to turn into one. The connections are
// bounded in number, in the bytes of a request and in the time one may take; a request with a
// body, or for anything but the listed paths, is refused.
class RecorderHttpServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    struct Limits {
        int connections = 32; // open at once; the next is answered 503 and closed
        // A connection that has not sent a whole request this long after it came, or after its
        // last answer, or whose answer does not move on this long, is closed.
        int requestMs = 10000;
        qint64 requestBytes = 16 * 1024; // a request's line and headers, at most
        int exports = 2;                 // CSVs being made at once; the next is answered 503
        int logEveryMs = 60 * 1000;      // each kind of refusal is logged at most this often
    };
    struct Content {
        std::function<RecorderStatus()> status;
        std::function<QByteArray()> history;
        RecordFileNames files;
        // The charting library's installed files.
        QString chartLibrary = QStringLiteral("/usr/share/javascript/dygraphs");
    };

    RecorderHttpServer(Content content, const Limits& limits, QObject* parent = nullptr);
    ~RecorderHttpServer() override;

    // False with the reason when the address cannot be listened on. An address other than the
    // machine's own is said once in the log.
    bool Listen(const ServeAddress& address, QString* error);
    quint16 Port() const;
    int Connections() const;

signals:
    void logged(const QString& text);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    class Guard;
    struct Answer {
        int status = 200;
        QByteArray type;
        QByteArray body;
        QList<std::pair<QByteArray, QByteArray>> headers;
    };

    Answer Route(const QHttpServerRequest& request, const QByteArray& path, QTcpSocket* socket,
                 bool head, bool* handled);
    void Send(QTcpSocket* socket, const Answer& answer, bool head, bool close);
    // The file's bytes, streamed as the peer takes them; the connection closes after it.
    void SendFile(QTcpSocket* socket, const QString& path, const QByteArray& type,
                  const QString& downloadName, bool head, bool removeAfter = false);
    void SendCsv(QTcpSocket* socket, const QString& path, const QString& name, bool head);
    Answer Page(const QHttpServerRequest& request) const;
    Answer FileList() const;
    void LogSometimes(int kind, const QString& text);

    Content content_;
    Limits limits_;
    Guard* guard_ = nullptr;
    std::map<QThread*, QPointer<QTcpSocket>> exports_;
    std::map<int, quint32> lastLogged_;
};

// The page's language from an Accept-Language header: "zh-TW" when Chinese is preferred over
// English, else "en".
QByteArray PageLanguage(QByteArrayView acceptLanguage);

} // namespace vrx
