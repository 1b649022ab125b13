#pragma once
// The screening window (銘柄選別): conditions, the result list over the Simulation's model, the
// sorts, the hand-over of a row, and the download of a month's search file.

#include <QAbstractListModel>
#include <QDialog>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace corvala {

class Simulation;
class ScreeningDialogModel;
class QtDownloader;
class SearchDownload;

// The rows as the list shows them; rows found since the last look are appended, a new search or
// a sort redraws the list whole.
class ScreeningListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ScreeningListModel(QObject* parent) : QAbstractListModel(parent) {}
    void Sync(const ScreeningDialogModel& model);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const ScreeningDialogModel* model_ = nullptr;
    int version_ = -1;
    int rows_ = 0;
};

class ScreeningWindow final : public QDialog {
    Q_OBJECT
public:
    ScreeningWindow(Simulation& sim, QWidget* parent);
    ~ScreeningWindow() override;
    // Shows the model's conditions, list, counter, message and visibility.
    void Refresh();

signals:
    void changed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void BuildControls();
    void Connect();
    void Act(const std::function<void()>& action);
    void StartDownload();

    Simulation& sim_;
    QLabel* monthLabel_;
    QScrollBar* monthScroll_;
    QRadioButton* directions_[3];
    QButtonGroup* directionGroup_;
    QLabel* signLabel_;
    QLineEdit* threshold_;
    QLabel* relationLabel_;
    QCheckBox* upTo930_;
    QCheckBox* hideStart_;
    QCheckBox* hideEnd_;
    QCheckBox* nearStart_;
    QPushButton* search_;
    QPushButton* stop_;
    QPushButton* sortByChange_;
    QPushButton* sortByCode_;
    QListView* list_;
    ScreeningListModel* rows_;
    QLabel* counter_;
    QLabel* message_;
    QPushButton* use_;
    QPushButton* close_;
    QLineEdit* downloadMonth_;
    QPushButton* download_;
    QPushButton* cancelDownload_;
    QProgressBar* progress_;
    std::unique_ptr<QtDownloader> downloader_;
    std::unique_ptr<SearchDownload> downloadJob_;
    bool placed_ = false;
};

}  // namespace corvala
