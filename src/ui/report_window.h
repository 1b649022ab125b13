#pragma once
// 成績: the review of the run just kept (its figures and its result under the day's price, with
// the fills) and, on a second tab, the kept runs read back from the history file.

#include <QDialog>
#include <functional>
#include <vector>

#include "chart/picture.h"
#include "review/report_picture.h"
#include "review/session_record.h"

class QLabel;
class QTabWidget;
class QTreeWidget;

namespace corvala {

class Simulation;

// Paints drawing data in twips scaled to its own size.
class CurveView final : public QWidget {
    Q_OBJECT
public:
    explicit CurveView(QWidget* parent);
    // The shapes are made for the view's size by `draw` (width and height in twips).
    void SetDrawing(std::function<std::vector<Shape>(int, int)> draw);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<std::vector<Shape>(int, int)> draw_;
};

class ReportWindow final : public QDialog {
    Q_OBJECT
public:
    ReportWindow(Simulation& sim, QWidget* parent);
    // Fills both tabs, the first from a copy of the kept run (none: that tab is off and the
    // second is shown), the second from the history file as it stands, and shows the window.
    void ShowReport();
    // Saves a PNG of the window / the figures as CSV into `folder`; the path, or "" on failure.
    QString SavePicture(const QString& folder);
    QString SaveCsv(const QString& folder);
    void SetPicturesFolder(const QString& folder) { picturesFolder_ = folder; }

private:
    void FillSession();
    void FillHistory();
    QString FilePath(const QString& folder, const char* extension) const;

    Simulation& sim_;
    SessionRecord shown_;  // the run the first tab shows, kept as it was when the report opened
    ResultBand band_;      // its result under the pessimistic and the optimistic fills
    bool banded_ = false;
    std::string shownStem_;
    QTabWidget* tabs_ = nullptr;
    QLabel* sessionFigures_ = nullptr;
    QLabel* sessionSides_ = nullptr;
    QLabel* sessionBand_ = nullptr;
    CurveView* sessionCurve_ = nullptr;
    QLabel* historyFigures_ = nullptr;
    QTreeWidget* historyTable_ = nullptr;
    CurveView* historyCurve_ = nullptr;
    QLabel* status_ = nullptr;
    QString picturesFolder_;
};

}  // namespace corvala
