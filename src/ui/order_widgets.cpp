#include "ui/order_widgets.h"

#include <QButtonGroup>
#include <QPushButton>
#include <tuple>
#include <QCloseEvent>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>

#include "ui/widget_text.h"

namespace corvala {
namespace {

void Check(QRadioButton* r, bool on) {
    const QSignalBlocker block(r);
    r->setChecked(on);
}

}  // namespace

QLabel* DialogText(QWidget* parent, const char* text, int x, int y, int w) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setGeometry(x, y, w, 24);
    return label;
}

QPushButton* DialogButton(QWidget* parent, const char* text, const char* name, int x, int y, int w) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(name);
    b->setGeometry(x, y, w, 30);
    b->setAutoDefault(false);
    return b;
}

std::pair<QRadioButton*, QRadioButton*> OptionPair(QWidget* parent, const char* first, const char* firstName,
                                                   const char* second, const char* secondName, int x, int y,
                                                   int width) {
    auto* group = new QButtonGroup(parent);
    std::pair<QRadioButton*, QRadioButton*> pair;
    int at = x;
    for (auto [slot, text, name] : {std::tuple{&pair.first, first, firstName}, std::tuple{&pair.second, second, secondName}}) {
        *slot = new QRadioButton(QString::fromUtf8(text), parent);
        (*slot)->setObjectName(name);
        (*slot)->setGeometry(at, y, width, 24);
        group->addButton(*slot);
        at += width;
    }
    return pair;
}

NumberEdit::NumberEdit(QWidget* parent, const char* name)
    : QLineEdit(parent), up_(new QToolButton(parent)), down_(new QToolButton(parent)) {
    setObjectName(name);
    setAlignment(Qt::AlignRight);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    up_->setObjectName(QString::fromUtf8(name) + "Up");
    down_->setObjectName(QString::fromUtf8(name) + "Down");
    up_->setText(QStringLiteral("▲"));
    down_->setText(QStringLiteral("▼"));
    for (QToolButton* b : {up_, down_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
    }
}

void NumberEdit::Place(int x, int y, int width, bool spins) {
    setGeometry(x, y, width, 24);
    up_->setGeometry(x + width + 1, y, 16, 12);
    down_->setGeometry(x + width + 1, y + 12, 16, 12);
    up_->setVisible(spins);
    down_->setVisible(spins);
}

void NumberEdit::ShowText(const std::string& text) {
    const QString q = Q(text);
    if (this->text() == q) return;
    const QSignalBlocker block(this);
    setText(q);
    setCursorPosition(static_cast<int>(q.size()));
}

void NumberEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    QTimer::singleShot(0, this, &QLineEdit::selectAll);  // after the click has placed the caret
}

OrderPartWidget::OrderPartWidget(QWidget* parent) : QWidget(parent) {
    auto* kinds = new QButtonGroup(this);
    const char* kindTexts[3] = {"通常注文", "逆指値付通常注文", "逆指値注文"};
    const char* kindNames[3] = {"kindNormal", "kindNormalWithStop", "kindStop"};
    const int kindX[3] = {0, 96, 236};
    for (int i = 0; i < 3; ++i) {
        auto* kind = new QRadioButton(QString::fromUtf8(kindTexts[i]), this);
        kind->setObjectName(kindNames[i]);
        kind->setGeometry(kindX[i], 0, i == 1 ? 140 : 96, 24);
        kinds_[static_cast<std::size_t>(i)] = kind;
        kinds->addButton(kind, i);
    }
    connect(kinds, &QButtonGroup::idClicked, this, [this](int id) { emit kindChosen(id); });

    std::tie(limit_, market_) = OptionPair(this, "指値", "normalLimit", "成行", "normalMarket", 0, 32);
    connect(market_, &QRadioButton::toggled, this,
            [this](bool on) { emit optionChosen(static_cast<int>(OrderDialogs::OrderOption::NormalMarket), on); });
    priceCaption_ = DialogText(this, "価　　格", 124, 32, 60);
    price_ = new NumberEdit(this, "priceEdit");
    price_->Place(186, 32, 90);
    priceCaption_->setBuddy(price_);

    stopPart_ = new QWidget(this);
    stopPart_->setGeometry(0, 64, 400, 86);
    DialogText(stopPart_, "市場価格が", 0, 0, 70);
    trigger_ = new NumberEdit(stopPart_, "triggerEdit");
    trigger_->Place(72, 0, 90);
    std::tie(above_, below_) = OptionPair(stopPart_, "以上", "triggerAbove", "以下", "triggerBelow", 184, 0);
    DialogText(stopPart_, "なら", 300, 0, 40);
    connect(below_, &QRadioButton::toggled, this,
            [this](bool on) { emit optionChosen(static_cast<int>(OrderDialogs::OrderOption::TriggerBelow), on); });
    std::tie(stopLimit_, stopMarket_) = OptionPair(stopPart_, "指値", "stopLimit", "成行", "stopMarket", 0, 32);
    connect(stopMarket_, &QRadioButton::toggled, this,
            [this](bool on) { emit optionChosen(static_cast<int>(OrderDialogs::OrderOption::StopMarket), on); });
    stopPrice_ = new NumberEdit(stopPart_, "stopPriceEdit");
    stopPrice_->Place(124, 32, 90);
    closingWords_ = DialogText(stopPart_, "", 236, 32, 100);
    closingWords_->setObjectName("closingWords");

    for (auto [edit, field] : {std::pair{price_, OrderField::Price}, std::pair{trigger_, OrderField::Trigger},
                               std::pair{stopPrice_, OrderField::StopPrice}}) {
        const int f = static_cast<int>(field);
        connect(edit, &QLineEdit::textEdited, this, [this, f](const QString& t) { emit textEdited(f, t); });
        connect(edit->up(), &QToolButton::clicked, this, [this, f] { emit spinPressed(f, true); });
        connect(edit->down(), &QToolButton::clicked, this, [this, f] { emit spinPressed(f, false); });
    }
    setFixedSize(400, kHeight);
}

NumberEdit* OrderPartWidget::edit(OrderField field) const {
    switch (field) {
        case OrderField::Price: return price_;
        case OrderField::Trigger: return trigger_;
        case OrderField::StopPrice: return stopPrice_;
        case OrderField::Quantity: break;
    }
    return nullptr;
}

void OrderPartWidget::Show(const NewOrderForm& f) {
    const OrderPartView v = ViewOrderPart(f);
    for (int i = 0; i < 3; ++i) Check(kinds_[static_cast<std::size_t>(i)], static_cast<int>(f.kind) == i);
    Check(limit_, !f.normalMarket);
    Check(market_, f.normalMarket);
    market_->setEnabled(v.marketChoiceEnabled);
    const bool priceShown = v.priceVisible && !f.normalMarket;
    price_->setVisible(v.priceVisible);
    price_->up()->setVisible(v.priceVisible);
    price_->down()->setVisible(v.priceVisible);
    price_->setEnabled(priceShown);
    priceCaption_->setVisible(v.priceVisible);
    price_->ShowText(f.price);
    stopPart_->setVisible(v.stopPartVisible);
    trigger_->ShowText(f.trigger);
    Check(above_, !f.triggerBelow);
    Check(below_, f.triggerBelow);
    Check(stopLimit_, !f.stopMarket);
    Check(stopMarket_, f.stopMarket);
    stopPrice_->setEnabled(!f.stopMarket);
    stopPrice_->ShowText(f.stopPrice);
    closingWords_->setText(Q(v.closingWords));
}

OrderDialogFrame::OrderDialogFrame(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setModal(false);
}

void OrderDialogFrame::SetShown(bool shown) {
    if (shown == isVisible()) return;
    if (shown) {
        if (savedPosition_) move(*savedPosition_);
        show();
        raise();
        activateWindow();
    } else {
        if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) savedPosition_ = pos();
        hide();
    }
}

void OrderDialogFrame::Act(const std::function<void()>& action) {
    const QtDialogs::AskingWindow asking(boxes_, this);
    action();
    emit changed();
}

void OrderDialogFrame::closeEvent(QCloseEvent* event) {
    event->ignore();  // hidden by the model once the close is through, never destroyed
    QTimer::singleShot(0, this, &OrderDialogFrame::cancelRequested);
}

void OrderDialogFrame::reject() { emit cancelRequested(); }

// Keys typed in a dialog are the dialog's: the main window's playback keys (Space, Esc, the
// arrows) must not play, stop or jump the replay from here.
bool OrderDialogFrame::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::WindowActivate) emit activated();
    return QDialog::event(event);
}

}  // namespace corvala
