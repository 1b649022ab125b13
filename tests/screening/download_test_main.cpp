// The download tests run their servers and the downloader on one event loop, so one
// QCoreApplication serves them all.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QNetworkProxy>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The test servers are on 127.0.0.1; a proxy of the machine must not stand between.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
