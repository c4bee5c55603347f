// The recorder's HTTP side: routes, answers and the guard that bounds its connections.
#include "recorderhttpserver.h"

#include "clock.h"
#include "csvexport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHttpServerRequest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QThread>
#include <QUrl>

namespace vrx {

namespace {

// The kinds of refusal, each logged at most once a minute.
enum LogKind { TooMany, Slow, TooLong, NotHttp };

// A file goes out in pieces of this size, the next when the peer has taken the one before.
constexpr qint64 FilePiece = 64 * 1024;

QByteArray Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Content Too Large";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

QByteArray Header(const QHttpServerRequest& request, QByteArrayView name) {
    for (const auto& [key, value] : request.headers())
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value.trimmed();
    return {};
}

bool HasHeader(const QHttpServerRequest& request, QByteArrayView name) {
    for (const auto& header : request.headers())
        if (header.first.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QByteArray Resource(const QString& name) {
    QFile file(QStringLiteral(":/vrxpage/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString Peer(const QTcpSocket* socket) {
    return QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
}

// What the guard keeps of a connection: the bytes of the request under way and the deadline.
// Found by its name: it has no meta-object of its own to be found by its class.
constexpr char WatchName[] = "vrx-http-watch";
struct Watch : QObject {
    explicit Watch(QObject* parent) : QObject(parent) {
        setObjectName(QLatin1String(WatchName));
        deadline.setSingleShot(true);
    }
    qint64 received = 0;
    bool spoken = false; // the connection's first bytes came
    ClockTimer deadline;
};

// A connection's first bytes are a method and a space, or the start of them: anything else (a
// TLS greeting, a stray protocol, line noise) is closed at once rather than left to time out.
constexpr qint64 MethodPeek = 12;
bool BeginsLikeRequest(const QByteArray& start) {
    for (qsizetype i = 0; i < start.size(); ++i) {
        const char c = start[i];
        if (c == ' ') return i > 0;
        if (c < 'A' || c > 'Z') return false;
    }
    return start.size() < MethodPeek;
}

Watch* WatchOf(QTcpSocket* socket) {
    return static_cast<Watch*>(
        socket->findChild<QObject*>(QLatin1String(WatchName), Qt::FindDirectChildrenOnly));
}

// The connection is doing what it should (an answer sent, a piece taken): its time starts again.
void Rearm(QTcpSocket* socket, int ms) {
    if (Watch* watch = WatchOf(socket)) {
        watch->received = 0;
        watch->deadline.start(ms);
    }
}

} // namespace

QByteArray PageLanguage(QByteArrayView acceptLanguage) {
    // "zh-TW,zh;q=0.9,en;q=0.8": the first of the two the browser ranks highest.
    double best = 0.0;
    QByteArray language = "en";
    for (const QByteArray& part : acceptLanguage.toByteArray().split(',')) {
        const QList<QByteArray> fields = part.split(';');
        const QByteArray tag = fields.first().trimmed().toLower();
        double q = 1.0;
        for (qsizetype i = 1; i < fields.size(); ++i) {
            const QByteArray field = fields[i].trimmed();
            if (field.startsWith("q=")) {
                bool ok = false;
                q = field.mid(2).toDouble(&ok);
                if (!ok) q = 0.0;
            }
        }
        const bool chinese = tag == "zh" || tag.startsWith("zh-");
        const bool english = tag == "en" || tag.startsWith("en-");
        if ((!chinese && !english) || q <= best) continue;
        best = q;
        language = chinese ? "zh-TW" : "en";
    }
    return language;
}

// The listening socket: every connection is counted, watched and bounded before the HTTP side
// sees it.
class RecorderHttpServer::Guard : public QTcpServer {
public:
    explicit Guard(RecorderHttpServer& owner) : QTcpServer(&owner), owner_(owner) {}
    int open = 0;

protected:
    void incomingConnection(qintptr handle) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            return;
        }
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        const Limits& limits = owner_.limits_;
        if (open >= limits.connections) {
            owner_.LogSometimes(TooMany, QStringLiteral("HTTP: a connection from %1 was refused: "
                                                        "%2 are open, the most allowed")
                                             .arg(Peer(socket))
                                             .arg(limits.connections));
            const QByteArray body = "too many connections\n";
            socket->write("HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain\r\n"
                          "Content-Length: " +
                          QByteArray::number(body.size()) +
                          "\r\nRetry-After: 5\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
            return;
        }
        ++open;
        connect(socket, &QObject::destroyed, this, [this] { --open; });
        auto* watch = new Watch(socket);
        connect(&watch->deadline, &ClockTimer::timeout, socket, [this, socket] {
            owner_.LogSometimes(Slow, QStringLiteral("HTTP: %1 sent no whole request in %2 s; "
                                                     "closed")
                                          .arg(Peer(socket))
                                          .arg(owner_.limits_.requestMs / 1000));
            socket->abort();
        });
        // Connected before the HTTP side's own reading, so a request's bytes are counted and
        // judged before they are parsed.
        connect(socket, &QIODevice::readyRead, watch, [this, socket, watch] {
            const bool first = !watch->spoken;
            watch->spoken = true;
            if (first && !BeginsLikeRequest(socket->peek(MethodPeek))) {
                Refuse(socket, NotHttp,
                       QStringLiteral("HTTP: %1 sent no HTTP request; closed").arg(Peer(socket)));
                return;
            }
            watch->received += socket->bytesAvailable();
            if (watch->received <= owner_.limits_.requestBytes) return;
            Refuse(socket, TooLong,
                   QStringLiteral("HTTP: %1 sent a request of more than %2 bytes; closed")
                       .arg(Peer(socket))
                       .arg(owner_.limits_.requestBytes));
        });
        watch->deadline.start(limits.requestMs);
        addPendingConnection(socket);
    }

private:
    // Closes the connection before the HTTP side reads what it sent.
    void Refuse(QTcpSocket* socket, int kind, const QString& text) {
        owner_.LogSometimes(kind, text);
        disconnect(socket, &QIODevice::readyRead, nullptr, nullptr);
        socket->abort();
    }

    RecorderHttpServer& owner_;
};

RecorderHttpServer::RecorderHttpServer(Content content, const Limits& limits, QObject* parent)
    : QAbstractHttpServer(parent), content_(std::move(content)), limits_(limits) {}

RecorderHttpServer::~RecorderHttpServer() {
    for (auto& [thread, socket] : exports_) {
        thread->wait();
        delete thread;
    }
    exports_.clear();
}

bool RecorderHttpServer::Listen(const ServeAddress& address, QString* error) {
    auto* guard = new Guard(*this);
    // Every new connection is taken and judged at once: none waits in the backlog.
    if (!guard->listen(address.host, address.port)) {
        if (error)
            *error = QStringLiteral("cannot serve HTTP on %1: %2")
                         .arg(DescribeServeAddress(address), guard->errorString());
        delete guard;
        return false;
    }
    guard_ = guard;
    bind(guard);
    if (!address.host.isLoopback())
        emit logged(QStringLiteral("serving the page and metrics on %1: reachable from other "
                                   "machines")
                        .arg(DescribeServeAddress(ServeAddress{address.host, Port()})));
    return true;
}

quint16 RecorderHttpServer::Port() const {
    return guard_ ? guard_->serverPort() : 0;
}

int RecorderHttpServer::Connections() const {
    return guard_ ? guard_->open : 0;
}

void RecorderHttpServer::LogSometimes(int kind, const QString& text) {
    const quint32 now = Clock::Current().Milliseconds();
    const auto last = lastLogged_.find(kind);
    if (last != lastLogged_.end() && now - last->second < quint32(limits_.logEveryMs)) return;
    lastLogged_[kind] = now;
    emit logged(text);
}

bool RecorderHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    Rearm(socket, limits_.requestMs);
    const QHttpServerRequest::Method method = request.method();
    const bool head = method == QHttpServerRequest::Method::Head;
    bool close = Header(request, "connection").toLower().contains("close");
    if (method != QHttpServerRequest::Method::Get && !head) {
        Send(socket,
             {405,
              "text/plain",
              "only GET and HEAD: nothing here can be changed\n",
              {{"Allow", "GET, HEAD"}}},
             false, true);
        return true;
    }
    const QByteArray length = Header(request, "content-length");
    if (!request.body().isEmpty() || (!length.isEmpty() && length != "0") ||
        HasHeader(request, "transfer-encoding")) {
        Send(socket, {413, "text/plain", "a request carries no body here\n", {}}, head, true);
        return true;
    }
    const QByteArray path = request.url().path(QUrl::FullyEncoded).toLatin1();
    bool handled = false;
    const Answer answer = Route(request, path, socket, head, &handled);
    if (!handled) Send(socket, answer, head, close);
    return true;
}

void RecorderHttpServer::missingHandler(const QHttpServerRequest&, QTcpSocket* socket) {
    Send(socket, {404, "text/plain", "not found\n", {}}, false, false);
}

RecorderHttpServer::Answer RecorderHttpServer::Route(const QHttpServerRequest& request,
                                                     const QByteArray& path, QTcpSocket* socket,
                                                     bool head, bool* handled) {
    const QList<std::pair<QByteArray, QByteArray>> fresh{{"Cache-Control", "no-store"}};
    if (path == "/metrics") return {200, MetricsContentType, MetricsText(content_.status()), fresh};
    if (path == "/healthz") {
        const QString problem = HealthProblem(content_.status());
        if (problem.isEmpty()) return {200, "text/plain; charset=utf-8", "ok\n", fresh};
        return {503, "text/plain; charset=utf-8", problem.toUtf8() + '\n', fresh};
    }
    if (path == "/api/state") return {200, "application/json", StateJson(content_.status()), fresh};
    if (path == "/api/history") return {200, "application/json", content_.history(), fresh};
    if (path == "/api/files") return FileList();
    if (path == "/" || path == "/index.html") return Page(request);
    if (path == "/page.js")
        return {200, "text/javascript; charset=utf-8", Resource(QStringLiteral("page.js")), {}};
    if (path == "/page.css")
        return {200, "text/css; charset=utf-8", Resource(QStringLiteral("page.css")), {}};
    if (path == "/dygraph.min.js" || path == "/dygraph.min.css") {
        QFile file(content_.chartLibrary + QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly))
            return {200,
                    path.endsWith(".js") ? "text/javascript; charset=utf-8" : "text/css",
                    file.readAll(),
                    {{"Cache-Control", "max-age=86400"}}};
        return {404, "text/plain", "the charting library is not installed (libjs-dygraphs)\n", {}};
    }
    if (const std::optional<FileLink> link = ParseFileLink(path)) {
        const QString file = content_.files.PathOf(link->name);
        if (!file.isEmpty()) {
            *handled = true;
            if (link->csv)
                SendCsv(socket, file, link->name, head);
            else
                SendFile(socket, file, "text/plain; charset=iso-8859-1", {}, head);
            return {};
        }
    }
    return {404, "text/plain", "not found\n", {}};
}

RecorderHttpServer::Answer RecorderHttpServer::Page(const QHttpServerRequest& request) const {
    QByteArray page = Resource(QStringLiteral("index.html"));
    page.replace("{{lang}}", PageLanguage(Header(request, "accept-language")));
    return {200,
            "text/html; charset=utf-8",
            page,
            {{"Cache-Control", "no-store"},
             {"Content-Security-Policy",
              "default-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:"}}};
}

RecorderHttpServer::Answer RecorderHttpServer::FileList() const {
    QJsonArray files;
    for (const RecordFileNames::Entry& entry : content_.files.List())
        files.append(QJsonObject{{"name", entry.name},
                                 {"bytes", entry.bytes},
                                 {"modified", entry.modified.toMSecsSinceEpoch()}});
    return {200,
            "application/json",
            QJsonDocument(QJsonObject{{"files", files}}).toJson(QJsonDocument::Compact),
            {{"Cache-Control", "no-store"}}};
}

void RecorderHttpServer::Send(QTcpSocket* socket, const Answer& answer, bool head, bool close) {
    QByteArray text = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' +
                      Reason(answer.status) + "\r\nContent-Type: " + answer.type +
                      "\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
                      "\r\nX-Content-Type-Options: nosniff\r\n";
    for (const auto& [name, value] : answer.headers)
        text += name + ": " + value + "\r\n";
    if (close) text += "Connection: close\r\n";
    text += "\r\n";
    if (!head) text += answer.body;
    socket->write(text);
    if (close) socket->disconnectFromHost();
}

void RecorderHttpServer::SendFile(QTcpSocket* socket, const QString& path, const QByteArray& type,
                                  const QString& downloadName, bool head, bool removeAfter) {
    // A made file goes when the answer does, however the connection ends; a file the peer
    // never takes goes with its connection's deadline.
    struct Source : QFile {
        Source(const QString& path, bool made) : QFile(path), made(made) {}
        ~Source() override {
            if (made) remove();
        }
        bool made;
    };
    auto file = std::make_shared<Source>(path, removeAfter);
    if (!file->open(QIODevice::ReadOnly)) {
        Send(socket, {404, "text/plain", "not found\n", {}}, head, true);
        return;
    }
    // The size when it is opened: a file being recorded into grows meanwhile, and the answer
    // is the file as it was when asked for.
    const qint64 size = file->size();
    const QString name = downloadName.isEmpty() ? QFileInfo(path).fileName() : downloadName;
    QByteArray text = "HTTP/1.1 200 OK\r\nContent-Type: " + type +
                      "\r\nContent-Length: " + QByteArray::number(size) +
                      "\r\nContent-Disposition: " +
                      (downloadName.isEmpty() ? QByteArray("inline") : QByteArray("attachment")) +
                      "; filename=\"" + name.toLatin1() +
                      "\"\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n"
                      "Connection: close\r\n\r\n";
    socket->write(text);
    if (head || size == 0) {
        socket->disconnectFromHost();
        return;
    }
    auto left = std::make_shared<qint64>(size);
    const auto pump = [this, socket, file, left] {
        while (*left > 0 && socket->bytesToWrite() < 4 * FilePiece) {
            const QByteArray piece = file->read(qMin(FilePiece, *left));
            if (piece.isEmpty()) {
                // Cut short under us (replaced, truncated): the length said can no longer be
                // kept, so the peer must see the answer end early.
                socket->abort();
                return;
            }
            *left -= piece.size();
            socket->write(piece);
        }
        Rearm(socket, limits_.requestMs);
        if (*left == 0) socket->disconnectFromHost();
    };
    connect(socket, &QIODevice::bytesWritten, socket, pump);
    pump();
}

void RecorderHttpServer::SendCsv(QTcpSocket* socket, const QString& path, const QString& name,
                                 bool head) {
    if (int(exports_.size()) >= limits_.exports) {
        Send(socket,
             {503,
              "text/plain",
              "other CSVs are being made; try again in a moment\n",
              {{"Retry-After", "5"}}},
             head, true);
        return;
    }
    QString temporary;
    {
        QTemporaryFile file(QDir::temp().filePath(QStringLiteral("vrxcom-csv-XXXXXX")));
        file.setAutoRemove(false);
        if (!file.open()) {
            Send(socket, {500, "text/plain", "no room for the CSV\n", {}}, head, true);
            return;
        }
        temporary = file.fileName();
    }
    auto problem = std::make_shared<QString>();
    // The same CSV as `vrxcom export` makes, dated by the file's last write.
    QThread* thread = QThread::create(
        [path, temporary, problem] { *problem = ExportRecordFile(path, temporary, std::nullopt); });
    exports_[thread] = socket;
    if (Watch* watch = WatchOf(socket)) watch->deadline.stop();
    connect(thread, &QThread::finished, this, [this, thread, temporary, name, head, problem] {
        const QPointer<QTcpSocket> socket = exports_[thread];
        exports_.erase(thread);
        thread->deleteLater();
        if (!socket) {
            QFile::remove(temporary);
            return;
        }
        Rearm(socket, limits_.requestMs);
        if (!problem->isEmpty()) {
            QFile::remove(temporary);
            Send(socket, {500, "text/plain; charset=utf-8", problem->toUtf8() + '\n', {}}, head,
                 true);
            return;
        }
        SendFile(socket, temporary, "text/csv; charset=utf-8",
                 QFileInfo(name).completeBaseName() + QStringLiteral(".csv"), head, true);
    });
    thread->start();
}

} // namespace vrx
