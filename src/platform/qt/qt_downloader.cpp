#include "platform/qt/qt_downloader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <utility>

namespace corvala {

struct QtDownloader::Transfer {
    QNetworkReply* reply = nullptr;  // a child of the manager
    // Receiver of the reply's signals: dropping it cuts them all at once.
    QObject context;
    QTimer stall;
    std::function<void(std::int64_t, std::int64_t)> progress;
    std::function<void(Result)> done;
    std::string body;
    bool http = true;
    bool cancelled = false;
    bool timedOut = false;
    bool tooLarge = false;
};

namespace {

std::string ToStd(const QString& text) {
    return text.toStdString();
}

// The user reads this in a message box; Qt's own words stay for what we do not name.
std::string DescribeError(const QNetworkReply& reply) {
    switch (reply.error()) {
        case QNetworkReply::ConnectionRefusedError:
            return "データ提供元のサーバーに接続を拒否されました。";
        case QNetworkReply::HostNotFoundError:
            return "データ提供元のサーバーが見つかりませんでした(" + ToStd(reply.url().host()) +
                   ")。";
        case QNetworkReply::TimeoutError:
            return "データ提供元のサーバーから応答がありませんでした。";
        case QNetworkReply::RemoteHostClosedError:
            return "データ提供元のサーバーが途中で接続を切りました。";
        case QNetworkReply::SslHandshakeFailedError:
            return "データ提供元のサーバーと安全な接続(SSL)を確立できませんでした。";
        case QNetworkReply::TemporaryNetworkFailureError:
        case QNetworkReply::NetworkSessionFailedError:
            return "ネットワークに接続されていません。";
        case QNetworkReply::ProtocolUnknownError:
            return "アドレスの形式に対応していません(" + ToStd(reply.url().scheme()) + ")。" +
                   "http:// か https:// で始まるアドレスを指定して下さい。";
        case QNetworkReply::TooManyRedirectsError:
            return "転送が多すぎるため中断しました。";
        case QNetworkReply::InsecureRedirectError:
            return "安全でないアドレス(http)への転送を拒否しました。";
        default:
            return ToStd(reply.errorString());
    }
}

}  // namespace

QtDownloader::QtDownloader(int stallTimeoutMs, std::int64_t maxBytes)
    : stallTimeoutMs_(stallTimeoutMs),
      maxBytes_(maxBytes),
      manager_(std::make_unique<QNetworkAccessManager>()) {}

QtDownloader::~QtDownloader() {
    if (transfer_) {
        QNetworkReply* const reply = transfer_->reply;
        transfer_.reset();  // cuts the signals first, so the abort reports to no one
        reply->abort();
    }
}

void QtDownloader::Deliver(std::function<void(Result)> done, Result result,
                           std::shared_ptr<Transfer> ended) {
    // Through the event loop, so that `done` never runs inside Fetch, Cancel or a progress
    // callback of the caller, whichever of them ended the transfer. An ended transfer is still on
    // the stack of one of its own signals; it goes with the delivery.
    QTimer::singleShot(
        0, &context_,
        [done = std::move(done), result = std::move(result), ended = std::move(ended)]() mutable {
            if (done) done(std::move(result));
        });
}

void QtDownloader::Fetch(const std::string& url,
                         std::function<void(std::int64_t, std::int64_t)> progress,
                         std::function<void(Result)> done) {
    if (transfer_) {
        Result busy;
        busy.error = "別のダウンロードが実行中です。";
        Deliver(std::move(done), std::move(busy));
        return;
    }
    const QUrl qurl(QString::fromStdString(url));
    if (!qurl.isValid() || qurl.isRelative()) {
        Result bad;
        bad.error = "アドレスが正しくありません: " + url;
        Deliver(std::move(done), std::move(bad));
        return;
    }
    QNetworkRequest request(qurl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    // A new quiz or month replaces the old under the same name: never an answer from a cache.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Cache-Control", "no-cache");
    // Uncompressed, so that Content-Length counts the bytes we keep and a cut body shows.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Corvala"));

    transfer_ = std::make_unique<Transfer>();
    Transfer* const t = transfer_.get();
    t->progress = std::move(progress);
    t->done = std::move(done);
    t->http = qurl.scheme().startsWith(QLatin1String("http"), Qt::CaseInsensitive);
    t->reply = manager_->get(request);
    QNetworkReply* const reply = t->reply;

    t->stall.setSingleShot(true);
    t->stall.setInterval(stallTimeoutMs_);
    QObject::connect(&t->stall, &QTimer::timeout, &t->context, [t] {
        t->timedOut = true;
        t->reply->abort();
    });
    const auto alive = [t] { t->stall.start(); };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &t->context, [this, t, alive] {
        alive();
        const QVariant length = t->reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maxBytes_) {
            t->tooLarge = true;
            t->reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::redirected, &t->context, alive);
    QObject::connect(reply, &QNetworkReply::readyRead, &t->context, [this, t, alive] {
        alive();
        const QByteArray chunk = t->reply->readAll();
        if (static_cast<std::int64_t>(t->body.size() + chunk.size()) > maxBytes_) {
            t->tooLarge = true;
            t->reply->abort();
            return;
        }
        t->body.append(chunk.constData(), static_cast<std::size_t>(chunk.size()));
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, &t->context,
                     [t, alive](qint64 received, qint64 total) {
                         alive();
                         // The caller may cancel from here; nothing of `t` is touched after.
                         if (t->progress) t->progress(received, total);
                     });
    QObject::connect(reply, &QNetworkReply::finished, &t->context, [this, t] {
        if (transfer_.get() != t) return;
        if (t->reply->isOpen()) {  // an aborted reply is closed and has nothing more
            const QByteArray rest = t->reply->readAll();
            t->body.append(rest.constData(), static_cast<std::size_t>(rest.size()));
        }
        Result result;
        const QVariant status = t->reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        result.httpStatus = status.isValid() ? status.toInt() : 0;
        // A chunked body ends with its last chunk; a length sent beside it does not count.
        const bool chunked = t->reply->rawHeader("Transfer-Encoding").toLower().contains("chunked");
        const QVariant length =
            chunked ? QVariant() : t->reply->header(QNetworkRequest::ContentLengthHeader);
        const auto received = static_cast<long long>(t->body.size());
        if (t->cancelled) {
            result.cancelled = true;
            result.error = "ダウンロードを中止しました。";
        } else if (t->timedOut) {
            result.error = std::to_string((stallTimeoutMs_ + 999) / 1000) +
                           "秒間データが届かなかったため中断しました。";
        } else if (t->tooLarge) {
            result.error = "データが大きすぎるため中断しました。";
        } else if (t->reply->error() != QNetworkReply::NoError) {
            result.error = DescribeError(*t->reply);
        } else if (t->http && (result.httpStatus < 200 || result.httpStatus > 299)) {
            result.error = "データ提供元のサーバーから予期しない応答がありました(HTTP " +
                           std::to_string(result.httpStatus) + ")。";
        } else if (length.isValid() && length.toLongLong() != received) {
            // Qt may end a body cut by the server as if it were complete.
            result.error = "データが最後まで届きませんでした(" + std::to_string(received) + " / " +
                           std::to_string(length.toLongLong()) + " バイト)。";
        } else {
            result.ok = true;
        }
        result.body = std::move(t->body);
        Finish(std::move(result));
    });
    t->stall.start();
}

void QtDownloader::Cancel() {
    if (!transfer_) return;
    Transfer* const t = transfer_.get();
    t->cancelled = true;
    t->reply->abort();
    // abort() reports through finished at once; should a reply ever not, end it here.
    if (transfer_.get() == t) {
        Result result;
        result.cancelled = true;
        result.error = "ダウンロードを中止しました。";
        Finish(std::move(result));
    }
}

void QtDownloader::Finish(Result result) {
    std::shared_ptr<Transfer> ended(std::move(transfer_));
    ended->stall.stop();
    QObject::disconnect(&ended->stall, nullptr, &ended->context, nullptr);
    QObject::disconnect(ended->reply, nullptr, &ended->context, nullptr);
    ended->reply->deleteLater();
    ended->reply = nullptr;
    auto done = std::move(ended->done);
    Deliver(std::move(done), std::move(result), std::move(ended));
}

}  // namespace corvala
