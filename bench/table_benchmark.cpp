// Table benchmark: the candidate table with 100,000 candidates, offscreen.
// Times the sort of a scan's candidates (on the worker, before they reach
// the window), the model reset plus the first paint, and the paint of each
// page while scrolling, for Loftwell's delegate and, as the reference, a plain
// QTableView with Qt's default delegate over the same model.
//
//   QT_QPA_PLATFORM=offscreen build/bench/table_benchmark [ROWS]

#include "model/candidate_store.h"
#include "scan/candidate_order.h"
#include "ui/candidate_item_delegate.h"
#include "ui/candidate_table_model.h"
#include "ui/candidate_table_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

std::vector<Candidate> makeCandidates(int count)
{
    std::vector<Candidate> items;
    items.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const auto risk = RiskLevel(i % 7 == 0 ? 2 : i % 5 == 0 ? 1 : 0);
        items.emplace_back("/home/user/Downloads/Holiday video " + std::to_string(i) + ".mov",
                           QStringLiteral("Downloads"), QStringLiteral("Video"), risk,
                           QStringLiteral("Video files are usually large; recommended to move"),
                           std::int64_t(20'971'520) + i * 1024);
    }
    return items;
}

struct Figures {
    double resetAndFirstPaintMs;
    double medianPageMs;
    double worstPageMs;
};

Figures measure(QTableView& view, CandidateTableModel& model, CandidateStore& store, int rows)
{
    view.resize(1200, 621);
    view.show();
    std::vector<Candidate> items = makeCandidates(rows);
    QElapsedTimer timer;
    timer.start();
    store.replaceItems(std::move(items));
    model.reloadData();
    view.viewport()->grab(); // the first paint
    const double first = timer.nsecsElapsed() / 1e6;

    std::vector<double> pages;
    QScrollBar* bar = view.verticalScrollBar();
    for (int page = 0; page < 300; ++page) {
        timer.restart();
        bar->setValue(bar->value() + bar->pageStep());
        view.viewport()->grab();
        pages.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(pages.begin(), pages.end());
    return {first, pages[pages.size() / 2], pages.back()};
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100'000;

    CandidateStore ourStore;
    CandidateTableModel ourModel(ourStore);
    CandidateTableView ours;
    ours.setModel(&ourModel);
    ours.setItemDelegate(new CandidateItemDelegate(&ours));
    ours.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ours.verticalHeader()->setDefaultSectionSize(44);
    const Figures a = measure(ours, ourModel, ourStore, rows);

    CandidateStore plainStore;
    CandidateTableModel plainModel(plainStore);
    QTableView plain;
    plain.setModel(&plainModel);
    plain.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    plain.verticalHeader()->setDefaultSectionSize(44);
    const Figures b = measure(plain, plainModel, plainStore, rows);

    // The scanner sorts what it found in no particular order.
    std::vector<Candidate> unsorted = makeCandidates(rows);
    std::shuffle(unsorted.begin(), unsorted.end(), std::mt19937(7));
    QElapsedTimer sortTimer;
    sortTimer.start();
    sortCandidates(unsorted);
    const double sortMs = sortTimer.nsecsElapsed() / 1e6;

    std::printf("%d candidates, 1200 x 621 viewport, 300 pages scrolled\n", rows);
    std::printf("sort of the scan's candidates (on the worker): %.1f ms\n", sortMs);
    std::printf("loftwell table : reset + first paint %.1f ms, page paint median %.2f ms, worst %.2f ms\n",
                a.resetAndFirstPaintMs, a.medianPageMs, a.worstPageMs);
    std::printf("plain QTableView (reference): reset + first paint %.1f ms, page paint median %.2f ms, worst %.2f ms\n",
                b.resetAndFirstPaintMs, b.medianPageMs, b.worstPageMs);
    return 0;
}
