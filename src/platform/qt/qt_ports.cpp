#include "platform/qt/qt_ports.h"

#include <QApplication>
#include <QAudioOutput>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMediaFormat>
#include <QMediaPlayer>
#include <QUrl>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace corvala {
namespace {

// Puts a box over the middle of its owner, as the main window's boxes appear; asked from an
// order dialog, it comes up at the mouse pointer (70 pixels left of it, 100 above).
void PlaceOver(QMessageBox& box, QWidget* owner) {
    if (!owner) return;
    box.adjustSize();
    QWidget* active = QApplication::activeWindow();
    if (active && active != owner->window() && active->isWindow()) {
        box.move(QCursor::pos() - QPoint(70, 100));
        return;
    }
    const QRect frame = owner->frameGeometry();
    const QSize size = box.sizeHint();
    box.move(frame.center() - QPoint(size.width() / 2, size.height() / 2));
}

// The buttons in Japanese, whatever translations Qt has loaded.
void CaptionButtons(QMessageBox& box) {
    if (QAbstractButton* b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("はい(&Y)"));
    if (QAbstractButton* b = box.button(QMessageBox::No)) b->setText(QStringLiteral("いいえ(&N)"));
    if (QAbstractButton* b = box.button(QMessageBox::Ok)) b->setText(QStringLiteral("OK"));
}

}  // namespace

struct QtSound::Player {
    QAudioOutput output;
    QMediaPlayer player;
};

// Asking for the decoders makes no player, so it is safe whatever the backend lacks.
QtSound::QtSound()
    : canPlay_(QMediaFormat().supportedAudioCodecs(QMediaFormat::Decode).contains(QMediaFormat::AudioCodec::MP3)) {}
QtSound::~QtSound() = default;

void QtSound::Play(const std::string& path) {
    if (!canPlay_) return;
    auto& slot = players_[path];
    if (!slot) {
        const QString file = QString::fromStdString(path);
        if (!QFileInfo::exists(file)) {
            players_.erase(path);  // looked for again next time: the file may be put back
            return;
        }
        slot = std::make_unique<Player>();
        slot->player.setAudioOutput(&slot->output);
        slot->player.setSource(QUrl::fromLocalFile(file));
    }
    slot->player.setPosition(0);
    slot->player.play();
}

void QtDialogs::ShowError(int number, const std::string& text) {
    auto* box = new QMessageBox(owner_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Critical);
    box->setWindowTitle(QString::number(number) + QStringLiteral(" エラー"));
    box->setText(QString::fromStdString(text));
    box->setStandardButtons(QMessageBox::Ok);
    CaptionButtons(*box);
    box->setWindowModality(Qt::ApplicationModal);
    PlaceOver(*box, owner_);
    if (owner_ && owner_->isVisible()) {
        box->open();
    } else {
        // Nothing is on screen yet (start-up): the box must be read before anything goes on.
        box->exec();
    }
}

bool QtDialogs::Ask(const std::string& title, const std::string& text) {
    QMessageBox box(owner_);
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    CaptionButtons(box);
    PlaceOver(box, owner_);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::ShowNotice(const std::string& title, const std::string& text) {
    QMessageBox box(owner_);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    box.setStandardButtons(QMessageBox::Ok);
    CaptionButtons(box);
    PlaceOver(box, owner_);
    box.exec();
}

void QtScheduler::After(int ms, std::function<void()> callback) {
    QTimer::singleShot(ms < 0 ? 0 : ms, Qt::PreciseTimer, &context_, [cb = std::move(callback)] { cb(); });
}

std::int64_t QtScheduler::NowMs() const {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

void QtFolderPicker::ChooseFolder(std::function<void(const std::string&)> done) {
    auto* dialog = new QFileDialog(owner_, QStringLiteral("フォルダの選択"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
        QString chosen;
        if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
            chosen = QDir::cleanPath(dialog->selectedFiles().first());  // no trailing separator
        done(chosen.toStdString());
    });
    dialog->open();
}

}  // namespace corvala
