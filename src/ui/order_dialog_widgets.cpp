#include "ui/order_dialog_widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <tuple>
#include <QToolButton>

#include "ui/widget_text.h"

namespace corvala {
namespace {

constexpr int kStopPartHeight = 76;  // what a dialog loses without its stop part

constexpr const char* kDialogCss = R"(
QDialog { background-color: rgb(236,236,236); }
QListWidget { font-family: "Noto Sans Mono CJK JP", monospace; }
QLabel#sideLabel { font-weight: bold; border: 1px solid rgb(120,120,120); qproperty-alignment: AlignCenter; }
QToolButton { font-size: 7px; padding: 0px; }
)";

void ShowSideLabel(QLabel* label, const SideView& v) {
    label->setText(Q(v.label));
    label->setStyleSheet(ColourCss(Rgb{0, 0, 0}, v.labelBackground));
}

// The order part's signals, forwarded to the form of `closing`'s dialog.
template <typename Dialog>
void ConnectOrderPart(Dialog* dialog, OrderPartWidget* part, Simulation& sim, bool closing) {
    QObject::connect(part, &OrderPartWidget::kindChosen, dialog,
                     [dialog, &sim, closing](int kind) { dialog->Act([&] { sim.orderDialogs().SetOrderKind(closing, static_cast<OrderKind>(kind)); }); });
    QObject::connect(part, &OrderPartWidget::optionChosen, dialog, [dialog, &sim, closing](int option, bool on) {
        dialog->Act([&] { sim.orderDialogs().SetOrderOption(closing, static_cast<OrderDialogs::OrderOption>(option), on); });
    });
    QObject::connect(part, &OrderPartWidget::textEdited, dialog, [dialog, &sim, closing](int field, const QString& t) {
        dialog->Act([&] { sim.orderDialogs().EditOrderText(closing, static_cast<OrderField>(field), t.toStdString()); });
    });
    QObject::connect(part, &OrderPartWidget::spinPressed, dialog, [dialog, &sim, closing](int field, bool up) {
        dialog->Act([&] { sim.orderDialogs().SpinOrderField(closing, static_cast<OrderField>(field), up); });
    });
}

}  // namespace

// ---- 新規注文 -------------------------------------------------------------------------------

NewOrderDialog::NewOrderDialog(Simulation& sim, QWidget* parent) : OrderDialogFrame(parent), sim_(sim) {
    setObjectName("newOrderDialog");
    setStyleSheet(kDialogCss);
    sideFrame_ = new QWidget(this);
    sideFrame_->setGeometry(16, 12, 140, 24);
    std::tie(buy_, sell_) = OptionPair(sideFrame_, "買建", "buySide", "売建", "sellSide", 0, 0, 68);
    connect(sell_, &QRadioButton::toggled, this, [this](bool on) { Act([&] { sim_.orderDialogs().SetNewOrderSell(on); }); });
    sideLabel_ = new QLabel(this);
    sideLabel_->setObjectName("sideLabel");
    sideLabel_->setGeometry(16, 44, 64, 24);
    DialogText(this, "数　　量", 140, 44, 60);
    quantity_ = new NumberEdit(this, "quantityEdit");
    quantity_->Place(202, 44, 90);
    connect(quantity_, &QLineEdit::textEdited, this,
            [this](const QString& t) { Act([&] { sim_.orderDialogs().EditOrderText(false, OrderField::Quantity, t.toStdString()); }); });
    connect(quantity_->up(), &QToolButton::clicked, this, [this] { Act([&] { sim_.orderDialogs().SpinOrderField(false, OrderField::Quantity, true); }); });
    connect(quantity_->down(), &QToolButton::clicked, this, [this] { Act([&] { sim_.orderDialogs().SpinOrderField(false, OrderField::Quantity, false); }); });
    DialogText(this, "株", 314, 44, 20);

    part_ = new OrderPartWidget(this);
    part_->move(16, 80);
    ConnectOrderPart(this, part_, sim_, false);

    // The capacity and the buttons move up when the stop part is hidden.
    footer_ = new QWidget(this);
    footer_->setGeometry(0, 232, 424, 88);
    DialogText(footer_, "新規建余力", 16, 8, 80);
    capacity_ = new QLabel(footer_);
    capacity_->setObjectName("capacityLabel");
    capacity_->setGeometry(100, 8, 120, 24);
    capacity_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    DialogText(footer_, "円", 224, 8, 20);
    alert_ = new QCheckBox(QStringLiteral("この価格で一時停止"), footer_);
    alert_->setObjectName("orderAlertBox");
    alert_->setToolTip(QStringLiteral("指値がこの価格に達したら再生を一時停止します（価格アラート）"));
    alert_->setGeometry(256, 8, 160, 24);
    connect(alert_, &QCheckBox::clicked, this, [this](bool on) { Act([&] { sim_.orderDialogs().SetOrderAlert(on); }); });

    submit_ = DialogButton(footer_, "注文", "submitButton", 16, 44, 90);
    submit_->setDefault(true);
    auto* cancel = DialogButton(footer_, "キャンセル", "cancelButton", 116, 44, 90);
    auto* speed = DialogButton(footer_, "指定速度に戻す", "restoreSpeedButton", 256, 44, 150);
    connect(submit_, &QPushButton::clicked, this, [this] {
        EntryOutcome out;
        Act([&] { out = sim_.orderDialogs().SubmitNewOrderDialog(); });
        // The first field that is missing takes the focus.
        if (out.missingField == 1) quantity_->setFocus();
        if (out.missingField >= 2) part_->edit(static_cast<OrderField>(out.missingField - 1))->setFocus();
    });
    connect(cancel, &QPushButton::clicked, this, [this] { Act([&] { sim_.orderDialogs().CancelNewOrderDialog(); }); });
    connect(speed, &QPushButton::clicked, this, [this] { Act([&] { sim_.orderDialogs().RestoreChosenSpeed(); }); });
    connect(this, &OrderDialogFrame::cancelRequested, this, [this] { Act([&] { sim_.orderDialogs().CancelNewOrderDialog(); }); });
    setFixedSize(424, 320);
}

bool NewOrderDialog::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && isVisible()) {
        Act([&] { sim_.orderDialogs().ActivateNewOrderDialog(); });
        quantity_->setFocus();
    }
    return OrderDialogFrame::event(event);
}

void NewOrderDialog::Refresh() {
    const NewOrderDialogModel& m = sim_.orderDialogs().newOrderDialog();
    SetShown(m.visible);
    if (!m.visible) {
        wasShown_ = false;
        return;
    }
    setWindowTitle(Q(m.caption));
    const SideView side = ViewNewOrderSide(m.form);
    sideFrame_->setVisible(side.choiceVisible);
    buy_->setText(Q(side.firstCaption));
    {
        const QSignalBlocker a(buy_), b(sell_);
        buy_->setChecked(!m.form.sell);
        sell_->setChecked(m.form.sell);
    }
    ShowSideLabel(sideLabel_, side);
    quantity_->ShowText(m.form.quantity);
    part_->Show(m.form);
    const int lift = ViewOrderPart(m.form).stopPartVisible ? 0 : kStopPartHeight;
    footer_->move(0, 232 - lift);
    setFixedSize(424, 320 - lift);
    capacity_->setText(Q(m.capacityText));
    // A market order or a stop has no resting limit to reach.
    alert_->setEnabled(!m.form.normalMarket && m.form.kind != kKindStop);
    alert_->setChecked(m.alertAtPrice);
    if (!wasShown_) {
        wasShown_ = true;
        quantity_->setFocus();
    }
}

// ---- 返済注文 -------------------------------------------------------------------------------

ClosingOrderDialog::ClosingOrderDialog(Simulation& sim, QWidget* parent) : OrderDialogFrame(parent), sim_(sim) {
    setObjectName("closingOrderDialog");
    setStyleSheet(kDialogCss);
    sideFrame_ = new QWidget(this);
    sideFrame_->setGeometry(16, 12, 140, 24);
    std::tie(first_, second_) = OptionPair(sideFrame_, "売埋", "firstSide", "買埋", "secondSide", 0, 0, 68);
    connect(second_, &QRadioButton::toggled, this, [this](bool on) {
        Act([&] { sim_.orderDialogs().SetClosingSide(on ? kSideMarginSell : kSideMarginBuy); });
    });
    sideLabel_ = new QLabel(this);
    sideLabel_->setObjectName("sideLabel");
    sideLabel_->setGeometry(170, 12, 64, 24);

    auto* header = new QLabel(QString::fromUtf8(kHoldingsHeader), this);
    header->setObjectName("holdingsHeader");
    header->setGeometry(16, 44, 640, 20);
    header->setStyleSheet("font-family: \"Noto Sans Mono CJK JP\", monospace;");
    holdings_ = new QListWidget(this);
    holdings_->setObjectName("holdingsList");
    holdings_->setGeometry(16, 64, 560, 8 * 24 + 4);
    holdings_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    holdings_->setTextElideMode(Qt::ElideNone);
    holdings_->setUniformItemSizes(true);
    for (int i = 0; i < kCloseRows; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString("closeRow%1").arg(i));
        edit->setAlignment(Qt::AlignRight);
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->setGeometry(580, 66 + i * 24, 64, 22);
        rows_[static_cast<std::size_t>(i)] = edit;
        auto* toggle = DialogButton(this, "◀", "", 646, 66 + i * 24, 22);
        toggle->setObjectName(QString("closeToggle%1").arg(i));
        toggle->setFixedHeight(22);
        toggles_[static_cast<std::size_t>(i)] = toggle;
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->setInterval(700);
        rowTimers_[static_cast<std::size_t>(i)] = timer;
        connect(timer, &QTimer::timeout, this, [this, i] { CommitRow(i); });
        connect(edit, &QLineEdit::textEdited, timer, qOverload<>(&QTimer::start));
        connect(edit, &QLineEdit::editingFinished, this, [this, i] { CommitRow(i); });
        connect(toggle, &QPushButton::clicked, this, [this, i] {
            Act([&] { sim_.orderDialogs().ToggleCloseRow(i); });
            submit_->setFocus();
        });
    }
    bulk_ = DialogButton(this, "一括返済", "bulkButton", 580, 12, 88);
    connect(bulk_, &QPushButton::clicked, this, [this] {
        Act([&] { sim_.orderDialogs().ToggleBulkClose(); });
        submit_->setFocus();
    });

    DialogText(this, "数　　量", 16, 272, 60);
    quantity_ = new QLineEdit(this);
    quantity_->setObjectName("quantityEdit");
    quantity_->setReadOnly(true);
    quantity_->setAlignment(Qt::AlignRight);
    quantity_->setGeometry(78, 272, 90, 24);
    DialogText(this, "株", 172, 272, 20);
    part_ = new OrderPartWidget(this);
    part_->move(16, 308);
    ConnectOrderPart(this, part_, sim_, true);

    footer_ = new QWidget(this);
    footer_->setGeometry(0, 460, 684, 52);
    submit_ = DialogButton(footer_, "注文", "submitButton", 16, 8, 90);
    submit_->setDefault(true);
    auto* cancel = DialogButton(footer_, "キャンセル", "cancelButton", 116, 8, 90);
    auto* speed = DialogButton(footer_, "指定速度に戻す", "restoreSpeedButton", 256, 8, 150);
    connect(submit_, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < kCloseRows; ++i)
            if (rowTimers_[static_cast<std::size_t>(i)]->isActive()) CommitRow(i);
        EntryOutcome out;
        Act([&] { out = sim_.orderDialogs().SubmitClosingDialog(); });
        if (out.missingField == 1) rows_[0]->setFocus();
        if (out.missingField >= 2) part_->edit(static_cast<OrderField>(out.missingField - 1))->setFocus();
    });
    connect(cancel, &QPushButton::clicked, this, [this] { Act([&] { sim_.orderDialogs().CancelClosingDialog(); }); });
    connect(speed, &QPushButton::clicked, this, [this] { Act([&] { sim_.orderDialogs().RestoreChosenSpeed(); }); });
    connect(this, &OrderDialogFrame::cancelRequested, this, [this] { Act([&] { sim_.orderDialogs().CancelClosingDialog(); }); });
    setFixedSize(684, 512);
}

void ClosingOrderDialog::CommitRow(int row) {
    rowTimers_[static_cast<std::size_t>(row)]->stop();
    if (!sim_.orderDialogs().closingDialog().visible) return;
    const std::string typed = rows_[static_cast<std::size_t>(row)]->text().toStdString();
    if (typed == sim_.orderDialogs().closingDialog().rowTexts[static_cast<std::size_t>(row)]) return;
    Act([&] { sim_.orderDialogs().EditCloseRow(row, typed); });
}

void ClosingOrderDialog::Refresh() {
    const ClosingDialogModel& m = sim_.orderDialogs().closingDialog();
    SetShown(m.visible);
    if (!m.visible) return;
    setWindowTitle(Q(m.caption));
    const SideView side = ViewClosingSide(m.side);
    sideFrame_->setVisible(side.choiceVisible);
    sideFrame_->setEnabled(!m.correctionMode);
    first_->setText(Q(side.firstCaption));
    {
        const QSignalBlocker a(first_), b(second_);
        first_->setChecked(m.side != kSideMarginSell);
        second_->setChecked(m.side == kSideMarginSell);
    }
    ShowSideLabel(sideLabel_, side);
    ShowLines(holdings_, m.lines);
    for (int i = 0; i < holdings_->count(); ++i) holdings_->item(i)->setSizeHint(QSize(0, 24));
    for (int i = 0; i < kCloseRows; ++i) {
        QLineEdit* edit = rows_[static_cast<std::size_t>(i)];
        const bool used = static_cast<std::size_t>(i) < m.listedSlots.size() && !m.correctionMode;
        edit->setEnabled(used);
        toggles_[static_cast<std::size_t>(i)]->setEnabled(used);
        // A box being typed into keeps its text until it is left.
        if (!edit->hasFocus() && !rowTimers_[static_cast<std::size_t>(i)]->isActive()) {
            const QSignalBlocker block(edit);
            edit->setText(Q(m.rowTexts[static_cast<std::size_t>(i)]));
        }
    }
    bulk_->setText(QString::fromUtf8(m.BulkCaption()));
    bulk_->setEnabled(!m.correctionMode);
    quantity_->setText(Q(m.order.quantity));
    part_->Show(m.order);
    const int lift = ViewOrderPart(m.order).stopPartVisible ? 0 : kStopPartHeight;
    footer_->move(0, 460 - lift);
    setFixedSize(684, 512 - lift);
}

// ---- 訂正取消 -------------------------------------------------------------------------------

CorrectCancelDialog::CorrectCancelDialog(Simulation& sim, QWidget* parent) : OrderDialogFrame(parent), sim_(sim) {
    setObjectName("correctCancelDialog");
    setStyleSheet(kDialogCss);
    setWindowTitle(QStringLiteral("訂正取消"));
    DialogText(this, "訂正・取消一覧", 16, 8, 200);
    auto* header = new QLabel(QString::fromUtf8(kCorrectCancelHeader), this);
    header->setObjectName("correctCancelHeader");
    header->setGeometry(16, 32, 700, 20);
    header->setStyleSheet("font-family: \"Noto Sans Mono CJK JP\", monospace;");
    list_ = new QListWidget(this);
    list_->setObjectName("correctCancelList");
    list_->setGeometry(16, 52, 700, 240);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setTextElideMode(Qt::ElideNone);
    list_->viewport()->installEventFilter(this);
    connect(list_, &QListWidget::currentRowChanged, this,
            [this](int row) { sim_.orderDialogs().SelectCorrectCancelLine(row); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { Act([&] { sim_.orderDialogs().CorrectSelectedOrder(); }); });
    auto* cancelOrder = DialogButton(this, "取消注文", "cancelOrderButton", 16, 304, 100);
    auto* correct = DialogButton(this, "訂正注文", "correctOrderButton", 126, 304, 100);
    auto* close = DialogButton(this, "キャンセル", "cancelButton", 236, 304, 100);
    auto* speed = DialogButton(this, "指定速度に戻す", "restoreSpeedButton", 566, 304, 150);
    cancelOrder->setToolTip(QStringLiteral("選択した注文を取り消します (一覧の右クリックでも)"));
    correct->setToolTip(QStringLiteral("選択した注文を訂正します (一覧のダブルクリックでも)"));
    connect(cancelOrder, &QPushButton::clicked, this, [this] { Act([&] { sim_.orderDialogs().CancelSelectedOrder(); }); });
    connect(correct, &QPushButton::clicked, this, [this] { Act([&] { sim_.orderDialogs().CorrectSelectedOrder(); }); });
    connect(close, &QPushButton::clicked, this, [this] { Act([&] { sim_.orderDialogs().CloseCorrectCancelDialog(); }); });
    connect(speed, &QPushButton::clicked, this, [this] { Act([&] { sim_.orderDialogs().RestoreChosenSpeed(); }); });
    connect(this, &OrderDialogFrame::cancelRequested, this, [this] { Act([&] { sim_.orderDialogs().CloseCorrectCancelDialog(); }); });
    setFixedSize(732, 348);
}

bool CorrectCancelDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            const int row = list_->row(list_->itemAt(mouse->position().toPoint()));
            if (row >= 0) {
                list_->setCurrentRow(row);
                Act([&] { sim_.orderDialogs().CancelSelectedOrder(); });
            }
            return true;
        }
    }
    return OrderDialogFrame::eventFilter(watched, event);
}

void CorrectCancelDialog::Refresh() {
    const CorrectCancelDialogModel& m = sim_.orderDialogs().correctCancelDialog();
    SetShown(m.visible);
    if (!m.visible) return;
    const QSignalBlocker block(list_);
    ShowLines(list_, m.lines);
    if (m.selected != list_->currentRow()) list_->setCurrentRow(m.selected);
}

}  // namespace corvala
