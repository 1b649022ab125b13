#include "ui/settings_dialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "app/simulation.h"
#include "settings/disclaimer.h"
#include "settings/settings_dialog.h"
#include "ui/widget_text.h"

namespace corvala {
namespace {

constexpr Qt::WindowFlags kOnTopWithoutClose =
    Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

QLabel* Text(const char* text, QWidget* parent) { return new QLabel(QString::fromUtf8(text), parent); }

// A text box selects its whole text when it gets the focus, so that typing replaces it.
class SelectingEdit final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        QTimer::singleShot(0, this, &QLineEdit::selectAll);
    }
};

}  // namespace

SettingsDialog::SettingsDialog(Simulation& sim, QWidget* parent) : QDialog(parent, kOnTopWithoutClose), sim_(sim) {
    setWindowTitle(QStringLiteral("設定"));
    setObjectName("settingsDialog");
    setModal(false);

    auto* folderBox = new QGroupBox(QStringLiteral("①日中データフォルダ指定"), this);
    folder_ = new SelectingEdit(folderBox);
    folder_->setObjectName("settingsFolder");
    folder_->setMinimumWidth(360);
    browse_ = new QPushButton(QStringLiteral("..."), folderBox);
    browse_->setObjectName("settingsBrowse");
    browse_->setFixedWidth(32);
    auto* folderRow = new QHBoxLayout(folderBox);
    folderRow->addWidget(folder_);
    folderRow->addWidget(browse_);

    auto* barBox = new QGroupBox(QStringLiteral("②分足設定"), this);
    barLength_ = new QComboBox(barBox);
    barLength_->setObjectName("settingsBarLength");
    for (const std::string& item : BarLengthItems()) barLength_->addItem(Q(item));
    auto* barRow = new QHBoxLayout(barBox);
    barRow->addWidget(barLength_);
    barRow->addWidget(Text("分足", barBox));
    barRow->addStretch();

    auto* maBox = new QGroupBox(QStringLiteral("③移動平均"), this);
    auto* maGrid = new QGridLayout(maBox);
    for (int i = 0; i < 2; ++i) {
        periods_[i] = new SelectingEdit(maBox);
        periods_[i]->setObjectName(i == 0 ? "settingsMa1" : "settingsMa2");
        periods_[i]->setFixedWidth(48);
        periods_[i]->setValidator(new QIntValidator(0, 999, periods_[i]));
        maGrid->addWidget(Text(i == 0 ? "1：" : "2：", maBox), i, 0);
        maGrid->addWidget(periods_[i], i, 1);
        maGrid->addWidget(Text("本", maBox), i, 2);
    }
    maGrid->addWidget(Text("※24本まで", maBox), 0, 3, 2, 1);
    maGrid->setColumnStretch(4, 1);

    // This program's own options: the one-key orders and 値幅を隠す.
    auto* keyBox = new QGroupBox(QStringLiteral("④ワンキー注文・表示"), this);
    auto* keyGrid = new QGridLayout(keyBox);
    static const char* const kKeyCaptions[] = {"売気配で買い", "買気配で売建", "全建玉を成行返済", "全注文を取消"};
    static const char* const kKeyNames[] = {"settingsKeyBuy", "settingsKeySell", "settingsKeyCloseAll", "settingsKeyCancelAll"};
    for (int i = 0; i < kOneKeys; ++i) {
        oneKeys_[i] = new QComboBox(keyBox);
        oneKeys_[i]->setObjectName(kKeyNames[i]);
        oneKeys_[i]->addItem(QStringLiteral("なし"), QString());
        for (int f = kFirstOneKey; f <= kLastOneKey; ++f) oneKeys_[i]->addItem(QStringLiteral("F%1").arg(f), QStringLiteral("F%1").arg(f));
        keyGrid->addWidget(Text(kKeyCaptions[i], keyBox), i / 2, (i % 2) * 2);
        keyGrid->addWidget(oneKeys_[i], i / 2, (i % 2) * 2 + 1);
    }
    oneKeyUnits_ = new SelectingEdit(keyBox);
    oneKeyUnits_->setObjectName("settingsKeyUnits");
    oneKeyUnits_->setFixedWidth(56);
    oneKeyUnits_->setValidator(new QIntValidator(0, kMaxOneKeyUnits, oneKeyUnits_));
    auto* unitsRow = new QHBoxLayout;
    unitsRow->addWidget(Text("数量：", keyBox));
    unitsRow->addWidget(oneKeyUnits_);
    unitsRow->addWidget(Text("単位", keyBox));
    unitsRow->addStretch();
    keyGrid->addLayout(unitsRow, 2, 0, 1, 2);
    oneKeyConfirm_ = new QCheckBox(QStringLiteral("注文前に確認する"), keyBox);
    oneKeyConfirm_->setObjectName("settingsKeyConfirm");
    keyGrid->addWidget(oneKeyConfirm_, 2, 2, 1, 2);
    hideRange_ = new QCheckBox(QStringLiteral("値幅を隠す（再生中は表示済みの値動きで目盛りを決める）"), keyBox);
    hideRange_->setObjectName("settingsHideRange");
    keyGrid->addWidget(hideRange_, 3, 0, 1, 4);

    auto* version = new QLabel(Q(VersionLine()), this);
    version->setObjectName("settingsVersion");
    auto* product = Text("Corvala 株式売買練習", this);
    apply_ = new QPushButton(QStringLiteral("設定"), this);
    apply_->setObjectName("settingsApply");
    apply_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel_->setObjectName("settingsCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(apply_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(folderBox);
    auto* middle = new QHBoxLayout;
    middle->addWidget(barBox);
    middle->addWidget(maBox, 1);
    layout->addLayout(middle);
    layout->addWidget(keyBox);
    layout->addWidget(product);
    layout->addWidget(version);
    layout->addLayout(buttons);

    connect(folder_, &QLineEdit::textEdited, this,
            [this](const QString& t) { Act([&] { sim_.settings().EditFolder(t.toStdString()); }); });
    connect(browse_, &QPushButton::clicked, this, [this] { Act([&] { sim_.settings().PressFolderButton(); }); });
    connect(barLength_, &QComboBox::activated, this,
            [this](int i) { Act([&] { sim_.settings().ChooseBarLength(barLength_->itemText(i).toStdString()); }); });
    for (int i = 0; i < 2; ++i)
        connect(periods_[i], &QLineEdit::textEdited, this,
                [this, i](const QString& t) { Act([&] { sim_.settings().EditPeriod(i, t.toStdString()); }); });
    for (int i = 0; i < kOneKeys; ++i)
        connect(oneKeys_[i], &QComboBox::activated, this, [this, i](int item) {
            Act([&] { sim_.settings().ChooseOneKey(i, oneKeys_[i]->itemData(item).toString().toStdString()); });
        });
    connect(oneKeyUnits_, &QLineEdit::textEdited, this,
            [this](const QString& t) { Act([&] { sim_.settings().EditOneKeyUnits(t.toStdString()); }); });
    connect(oneKeyConfirm_, &QCheckBox::clicked, this,
            [this](bool on) { Act([&] { sim_.settings().SetOneKeyConfirm(on); }); });
    connect(hideRange_, &QCheckBox::clicked, this, [this](bool on) { Act([&] { sim_.settings().SetHideRange(on); }); });
    connect(apply_, &QPushButton::clicked, this, [this] { Act([&] { sim_.ApplySettingsDialog(); }); });
    connect(cancel_, &QPushButton::clicked, this, [this] { Act([&] { sim_.settings().Cancel(); }); });
}

void SettingsDialog::Act(const std::function<void()>& action) {
    action();
    emit changed();
}

void SettingsDialog::Refresh() {
    const SettingsDialogModel& m = sim_.settings().dialog();
    ShowText(folder_, m.fields.folder);
    // With no folder chosen yet the install folder's data is read; the empty field says which.
    folder_->setPlaceholderText(sim_.settings().dataFolder().empty() ? QString()
                                                          : QStringLiteral("未設定（使用中：%1）").arg(Q(sim_.settings().dataFolder())));
    ShowText(periods_[0], m.fields.ma1);
    ShowText(periods_[1], m.fields.ma2);
    {
        const QSignalBlocker block(barLength_);
        barLength_->setCurrentText(Q(m.fields.barLength));
    }
    const OwnOptionFields& own = m.fields.own;
    for (int i = 0; i < kOneKeys; ++i) {
        const QSignalBlocker block(oneKeys_[i]);
        oneKeys_[i]->setCurrentIndex(std::max(0, oneKeys_[i]->findData(Q(own.oneKeys[static_cast<std::size_t>(i)]))));
    }
    ShowText(oneKeyUnits_, own.oneKeyUnits);
    oneKeyConfirm_->setChecked(own.oneKeyConfirm);
    hideRange_->setChecked(own.hideRange);
    ShowAsModelSays(this, m.visible, placed_);
}

void SettingsDialog::closeEvent(QCloseEvent* event) {
    event->ignore();  // hidden by the model, never destroyed
    QTimer::singleShot(0, this, [this] { Act([&] { sim_.ApplySettingsDialog(); }); });
}

void SettingsDialog::reject() { Act([&] { sim_.settings().Cancel(); }); }

bool SettingsDialog::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) sim_.settings().Activate();
    // Keys typed here are the dialog's, not the main window's playback keys.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QDialog::event(event);
}

DisclaimerDialog::DisclaimerDialog(Simulation& sim, QWidget* parent) : QDialog(parent, kOnTopWithoutClose) {
    setWindowTitle(QString::fromUtf8(kDisclaimerCaption));
    setObjectName("disclaimerDialog");
    setModal(false);
    QString text;
    for (const std::string_view statement : kDisclaimerStatements)
        text += QStringLiteral("・") + QString::fromUtf8(statement.data(), static_cast<int>(statement.size())) + "\n\n";
    auto* body = new QLabel(text.trimmed(), this);
    body->setObjectName("disclaimerText");
    body->setWordWrap(true);
    body->setFixedWidth(520);
    dontShow_ = new QCheckBox(QString::fromUtf8(kDisclaimerDontShow), this);
    dontShow_->setObjectName("disclaimerDontShow");
    dontShow_->setChecked(!sim.settings().saved().showDisclaimer);
    auto* close = new QPushButton(QString::fromUtf8(kDisclaimerClose), this);
    close->setObjectName("disclaimerClose");
    close->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(dontShow_);
    bottom->addStretch();
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(body);
    layout->addLayout(bottom);
    connect(dontShow_, &QCheckBox::toggled, this, [&sim](bool on) { sim.settings().SetDisclaimerSuppressed(on); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void DisclaimerDialog::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace corvala
