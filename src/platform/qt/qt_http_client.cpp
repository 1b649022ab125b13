#include "platform/qt/qt_http_client.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdint>
#include <memory>

namespace corvala {
namespace {
constexpr const char* kTooLarge = "応答が大きすぎます";
}  // namespace

QtHttpClient::QtHttpClient() : manager_(std::make_unique<QNetworkAccessManager>()) {
    // The API runs on this machine; a proxy from the environment must not stand between.
    manager_->setProxy(QNetworkProxy::NoProxy);
    manager_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

// The receiver goes first (it is declared last), which cuts every reply's signal; the manager
// then aborts the replies still running.
QtHttpClient::~QtHttpClient() = default;

void QtHttpClient::Send(const Request& request, std::function<void(Reply)> done) {
    QNetworkRequest r{QUrl(QString::fromStdString(request.url))};
    for (const auto& [name, value] : request.headers)
        r.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
    if (!request.body.empty()) r.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    r.setTransferTimeout(request.timeoutMs);
    const QByteArray body = QByteArray::fromStdString(request.body);
    QNetworkReply* reply = nullptr;
    if (request.method == "POST")
        reply = manager_->post(r, body);
    else if (request.method == "PUT")
        reply = manager_->put(r, body);
    else
        reply = manager_->get(r);
    // Why the request was cut short, when it was: an answer without end is no answer.
    const auto cut = std::make_shared<std::string>();
    QTimer::singleShot(request.timeoutMs, reply, [reply, cut] {
        if (!reply->isRunning()) return;
        *cut = "応答が時間内に終わりませんでした";
        reply->abort();
    });
    const auto maxBytes = static_cast<qint64>(std::min<std::size_t>(request.maxBytes, INT64_MAX));
    QObject::connect(reply, &QNetworkReply::downloadProgress, &context_, [reply, cut, maxBytes](qint64 got, qint64 total) {
        if (!cut->empty() || (got <= maxBytes && total <= maxBytes)) return;
        *cut = kTooLarge;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, &context_, [reply, cut, done = std::move(done)] {
        reply->deleteLater();
        Reply out;
        if (cut->empty()) {
            out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->isOpen()) out.body = reply->readAll().toStdString();
        }
        // An HTTP error status still is an answer; only a missing one is a failure of the line.
        if (out.status == 0) out.error = cut->empty() ? reply->errorString().toStdString() : *cut;
        out.tooLarge = *cut == kTooLarge;
        done(std::move(out));
    });
}

}  // namespace corvala
