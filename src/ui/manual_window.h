#pragma once
// The user guide in a window of its own: the Markdown guide with its pictures (narrowed to the
// window when wider), links to the web opened in the browser.

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

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Each picture at its own size, or narrowed to the window's width (its proportions kept).
    void FitPictures();

    QTextBrowser* browser_ = nullptr;
};

}  // namespace corvala
