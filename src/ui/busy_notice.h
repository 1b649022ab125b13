#pragma once
// The small "処理中" window shown during long work, with its 歩み値停止 button.

#include <QDialog>

class QLabel;
class QPushButton;

namespace corvala {

struct BusyNotice;

class BusyNoticeWindow final : public QDialog {
    Q_OBJECT
public:
    explicit BusyNoticeWindow(QWidget* parent);
    void Show(const BusyNotice& notice);

signals:
    void tapeStopPressed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* label_;
    QPushButton* stopButton_;
};

}  // namespace corvala
