#pragma once
// The user guide in a window of its own: the Markdown guide with its pictures, links to the web
// opened in the browser.

#include <QWidget>

class QTextBrowser;

namespace corvala {

class ManualWindow final : public QWidget {
    Q_OBJECT
public:
    explicit ManualWindow(QWidget* parent = nullptr);
    // Shows `guideFile`; false when it cannot be read (the window stays hidden).
    bool ShowGuide(const QString& guideFile);
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

}  // namespace corvala
