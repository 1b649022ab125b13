#include "ui/playback_panel.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "ui/speed_gauge_view.h"

namespace corvala {
namespace {

QString Css(const Rgb& bg) {
    return QString("QPushButton { background-color: rgb(%1,%2,%3); color: black; font-weight: bold;"
                   " border: 1px solid rgb(90,90,90); }"
                   " QPushButton:disabled { background-color: rgb(110,110,110);"
                   " color: rgb(70,70,70); }")
        .arg(bg.r).arg(bg.g).arg(bg.b);
}

}  // namespace

QString PlaybackPanel::ShortcutText(int index) {
    switch (index) {
        case kPlayPause: return QStringLiteral("Space");
        case kStop: return QStringLiteral("Esc");
        case kBarBack: return QStringLiteral("Ctrl+←");
        case kStepForward: return QStringLiteral("→");
        case kMinuteForward: return QStringLiteral("Shift+→");
        case kBarForward: return QStringLiteral("Ctrl+→");
        default: return {};
    }
}

QKeySequence PlaybackPanel::ShortcutKey(int index) {
    switch (index) {
        case kPlayPause: return QKeySequence(Qt::Key_Space);
        case kStop: return QKeySequence(Qt::Key_Escape);
        case kBarBack: return QKeySequence(Qt::ControlModifier | Qt::Key_Left);
        case kStepForward: return QKeySequence(Qt::Key_Right);
        case kMinuteForward: return QKeySequence(Qt::ShiftModifier | Qt::Key_Right);
        case kBarForward: return QKeySequence(Qt::ControlModifier | Qt::Key_Right);
        default: return {};
    }
}

PlaybackPanel::PlaybackPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("playbackPanel");
    for (int i = 0; i < kPlaybackButtons; ++i) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString("playbackButton%1").arg(i));
        // Keys steer the replay from anywhere in the window; a focused button would take them.
        b->setFocusPolicy(Qt::NoFocus);
        b->setGeometry(i * 26 + 1, 0, 25, 26);
        connect(b, &QPushButton::clicked, this, [this, i] { emit playbackPressed(i); });
        buttons_[static_cast<std::size_t>(i)] = b;
    }
    speedCaption_ = new QLabel(QStringLiteral("速度"), this);
    speedCaption_->setObjectName("speedCaption");
    speedCaption_->setGeometry(0, 37, 28, 20);
    slowestLabel_ = new QLabel(QStringLiteral("遅"), this);
    slowestLabel_->setObjectName("slowestLabel");
    slowestLabel_->setToolTip(QStringLiteral("速度1にします"));
    slowestLabel_->setGeometry(28, 37, 14, 20);
    gauge_ = new SpeedGaugeView(this);
    gauge_->setGeometry(42, 30, 1550 / 15, 510 / 15);
    speedLabel_ = new QLabel(this);
    speedLabel_->setObjectName("speedLabel");
    speedLabel_->setAlignment(Qt::AlignCenter);
    speedLabel_->setStyleSheet("color: rgb(255,128,128); font-weight: bold;");
    speedLabel_->setGeometry(148, 37, 26, 20);
    lowSpeed_ = new QCheckBox(QStringLiteral("低速"), this);
    lowSpeed_->setObjectName("lowSpeedCheck");
    lowSpeed_->setFocusPolicy(Qt::NoFocus);
    lowSpeed_->setToolTip(QStringLiteral("1秒ごとに1.5秒かけて進めます (注文画面を開いている間は0.9秒)"));
    lowSpeed_->setGeometry(150, 66, 60, 20);
    speedBar_ = new QScrollBar(Qt::Horizontal, this);
    speedBar_->setObjectName("speedScroll");
    speedBar_->setRange(1, 30);
    speedBar_->setInvertedAppearance(true);  // faster to the right: value = 31 − speed
    speedBar_->setFocusPolicy(Qt::NoFocus);
    speedBar_->setToolTip(QStringLiteral("再生速度 (1〜30)"));
    speedBar_->setGeometry(0, 68, 144, 16);
    setFixedSize(210, 88);

    connect(gauge_, &SpeedGaugeView::clicked, this, &PlaybackPanel::gaugeClicked);
    connect(speedBar_, &QScrollBar::valueChanged, this, &PlaybackPanel::speedScrolled);
    connect(lowSpeed_, &QCheckBox::toggled, this, &PlaybackPanel::lowSpeedToggled);
    slowestLabel_->installEventFilter(this);
    speedCaption_->installEventFilter(this);
}

bool PlaybackPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && isEnabled() && gauge_->isEnabled()) {
        if (watched == slowestLabel_) emit slowestClicked();
        if (watched == speedCaption_) emit gaugeClicked(gauge_->lastX());
    }
    return QWidget::eventFilter(watched, event);
}

void PlaybackPanel::Show(const ControlStates& controls, const SpeedControl& speed) {
    for (int i = 0; i < kPlaybackButtons; ++i) {
        const PlaybackButton& model = controls.playback[static_cast<std::size_t>(i)];
        QPushButton* b = buttons_[static_cast<std::size_t>(i)];
        b->setText(QString::fromStdString(model.caption));
        const QString key = ShortcutText(i);
        const QString tip = QString::fromStdString(model.tooltip);
        b->setToolTip(key.isEmpty() ? tip : tip + " (" + key + ")");
        b->setEnabled(model.Accepts());
        const QString css = Css(model.background);
        if (shownStyle_[static_cast<std::size_t>(i)] != css) {
            b->setStyleSheet(css);
            shownStyle_[static_cast<std::size_t>(i)] = css;
        }
    }
    gauge_->setEnabled(controls.speedEnabled);
    speedBar_->setEnabled(controls.speedEnabled);
    gauge_->SetSpeed(speed.speed);
    speedLabel_->setText(QString::number(speed.speed));
    {
        const QSignalBlocker block(speedBar_);
        speedBar_->setValue(speed.ScrollValue());
    }
    {
        const QSignalBlocker block(lowSpeed_);
        lowSpeed_->setChecked(speed.lowSpeed);
    }
    const Rgb bg = speed.lowSpeedBackground;
    const QString css = QString("background-color: rgb(%1,%2,%3); color: black;").arg(bg.r).arg(bg.g).arg(bg.b);
    if (css != shownLowSpeedStyle_) {
        lowSpeed_->setStyleSheet(css);
        shownLowSpeedStyle_ = css;
    }
}

}  // namespace corvala
