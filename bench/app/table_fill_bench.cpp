// How the results table copes with a very large category: 200,000 call
// records are posted as a scan posts them, then the table is filled,
// sorted and scrolled from top to bottom. Prints the times; it asserts
// nothing.

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <cstdio>

#include "app/record_table_model.h"
#include "app/record_table_view.h"
#include "core/blackberry_records.h"
#include "core/event_names.h"
#include "core/main_thread_dispatcher.h"

using namespace orvane;

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  constexpr int kRecords = 200000;

  DirectDispatcher mainThread;
  CorvelAppDelegate app(mainThread);
  PRResultViewController results(app);
  results.showView(BrowseSource::blackBerry);
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < kRecords; ++i) {
    auto call = std::make_shared<PRBlackBerryCallNode>();
    call->CallName = "Caller " + std::to_string((i * 7919) % kRecords);
    call->CallNumber = "+3491555" + std::to_string(i);
    call->CallTime = "05/06/2012 14:32";
    app.nc.postNotificationName(events::BlacBerryCallLogInfo, RecordPtr(call));
  }
  const qint64 postMs = clock.restart();

  RecordTableModel model(results, ResultTable::callHistory);
  RecordTableView view(&model, true);
  view.resize(540, 420);
  view.show();
  QApplication::processEvents();
  clock.restart();
  results.selectCategory(ResultTable::callHistory);
  model.reload();
  view.selectFirstRow();
  QApplication::processEvents();
  const qint64 fillMs = clock.restart();

  results.didClickTableColumn(ResultTable::callHistory, "Name");
  model.reload();
  view.selectFirstRow();
  QApplication::processEvents();
  const qint64 sortMs = clock.restart();

  // page by page, each page drawn, the way a user drags the scroll bar
  QScrollBar* bar = view.verticalScrollBar();
  const int pages = 2000;
  for (int page = 0; page <= pages; ++page) {
    bar->setValue(static_cast<int>(static_cast<qint64>(bar->maximum()) * page / pages));
    view.viewport()->repaint();
  }
  const qint64 scrollMs = clock.restart();

  std::printf("records            %d\n", kRecords);
  std::printf("post (scan side)   %lld ms\n", static_cast<long long>(postMs));
  std::printf("fill table         %lld ms\n", static_cast<long long>(fillMs));
  std::printf("sort by name       %lld ms\n", static_cast<long long>(sortMs));
  std::printf("scroll %d pages  %lld ms (%.2f ms a page)\n", pages,
              static_cast<long long>(scrollMs), static_cast<double>(scrollMs) / (pages + 1));
  return 0;
}
