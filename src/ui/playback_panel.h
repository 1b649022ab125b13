#pragma once
// The row of eight playback buttons with the speed scroll bar, its label, the speed gauge and
// the 低速 box. It shows the display model's control states and forwards presses.

#include <QKeySequence>
#include <QWidget>
#include <array>

#include "replay/display_model.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace corvala {

class SpeedGaugeView;

class PlaybackPanel final : public QWidget {
    Q_OBJECT
public:
    explicit PlaybackPanel(QWidget* parent);
    void Show(const ControlStates& controls, const SpeedControl& speed);
    QPushButton* button(int index) const { return buttons_[static_cast<std::size_t>(index)]; }
    // The key that presses button `index`, as shown in its tooltip; empty when none.
    static QString ShortcutText(int index);
    static QKeySequence ShortcutKey(int index);

signals:
    void playbackPressed(int index);
    void speedScrolled(int value);
    void gaugeClicked(int gaugeX);
    void slowestClicked();
    void lowSpeedToggled(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QPushButton*, kPlaybackButtons> buttons_{};
    QLabel* speedCaption_;
    QLabel* slowestLabel_;
    SpeedGaugeView* gauge_;
    QScrollBar* speedBar_;
    QLabel* speedLabel_;
    QCheckBox* lowSpeed_;
    std::array<QString, kPlaybackButtons> shownStyle_{};
    QString shownLowSpeedStyle_;
};

}  // namespace corvala
