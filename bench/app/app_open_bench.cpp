// How long the desktop app takes to turn a very large BlackBerry backup
// into a usable results screen, against the command line scanning the same
// file.
//
//   app_open_bench [RECORDS [FILE]]      (default 2000000 records, a temporary file)
//
// The backup interleaves its databases record by record (contacts, SMS,
// calls, memos, calendar), the hardest case for a progress page. The
// command line runs first, in a child process of its own; then this
// process, fresh, opens the same file in the app on the offscreen platform
// and waits until the screen is usable: every record in the model, the
// counts final, the first category's table filled, and a click on another
// category answered. Also reported: the longest the event loop went
// without turning while the scan ran. Prints the times; asserts nothing.

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/app_session.h"
#include "app/main_window.h"
#include "app/record_table_model.h"
#include "app/result_view.h"
#include "app/user_prompts.h"
#include "fixtures/ipd_writer.h"

using namespace orvane;
using fixtures::Bytes;
using fixtures::Field;
using fixtures::IpdWriter;

namespace {

// Answers nothing and shows nothing: the bench drives the window itself.
struct SilentPrompts final : UserPrompts {
  bool confirm(QWidget*, const QString&, const QString&, const QString&) override { return false; }
  void inform(QWidget*, const QString& message, const QString&) override {
    std::fprintf(stderr, "told: %s\n", qPrintable(message));
  }
  std::optional<QString> chooseBackupFile(QWidget*) override { return std::nullopt; }
  std::optional<QString> chooseBackupFolder(QWidget*) override { return std::nullopt; }
  std::optional<QString> chooseDiskImage(QWidget*) override { return std::nullopt; }
  std::optional<QString> chooseExportFolder(QWidget*, const QString&) override {
    return std::nullopt;
  }
  void openWithDesktop(const QUrl&) override {}
};

// Record i goes to database i % 5, so that no two neighbours share one.
void writeInterleavedBackup(const std::filesystem::path& path, std::size_t records) {
  const IpdWriter table = IpdWriter()
                              .database("Address Book - All")
                              .database("SMS Messages")
                              .database("Phone Call Logs")
                              .database("Memos")
                              .database("Calendar - All");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + path.string());
  const Bytes header = table.headerAndNameTable();
  std::fwrite(header.data(), 1, header.size(), file);
  for (std::size_t i = 0; i < records; ++i) {
    const std::string n = std::to_string(i);
    std::vector<Field> fields;
    switch (i % 5) {
      case 0:
        fields = {Field(32, "Name" + n), Field(32, "Family"), Field(6, "+3491555" + n)};
        break;
      case 1:
        fields = {Field::smsMetadata(1, 1336314720000), Field::skip4(2, "+3491555" + n),
                  Field(4, "Message number " + n)};
        break;
      case 2:
        fields = {Field::raw(2, {0x00}), Field::raw(3, {75}), Field(4, "05/06/2012 14:32"),
                  Field(12, "+3491555" + n), Field(31, "Caller " + n)};
        break;
      case 3:
        fields = {Field(1, "Memo " + n), Field(2, "milk, eggs, bread")};
        break;
      default:
        fields = {Field(2, "Meeting " + n), Field(3, "Room 4")};
        break;
    }
    const Bytes record = IpdWriter::recordBytes(static_cast<std::uint16_t>(i % 5), fields);
    std::fwrite(record.data(), 1, record.size(), file);
  }
  std::fclose(file);
}

double seconds(qint64 nanoseconds) { return static_cast<double>(nanoseconds) / 1e9; }

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const std::size_t records = argc > 1 ? std::stoul(argv[1]) : 2000000;
  QTemporaryDir scratch;
  const std::filesystem::path backup =
      argc > 2 ? std::filesystem::path(argv[2])
               : std::filesystem::path(scratch.filePath("interleaved.ipd").toStdString());
  if (argc <= 2 || !std::filesystem::exists(backup)) writeInterleavedBackup(backup, records);
  const QString backupPath = QString::fromStdString(backup.string());

  QElapsedTimer clock;
  QProcess cli;
  clock.start();
  cli.start(ORVANE_CLI_PATH, {"scan", backupPath});
  cli.waitForFinished(-1);
  const qint64 cliNs = clock.nsecsElapsed();
  if (cli.exitCode() != 0) std::fprintf(stderr, "orvane-cli exited with %d\n", cli.exitCode());

  SilentPrompts prompts;
  AppSession session(prompts);
  MainWindow& window = session.window();
  ResultView& results = *window.resultView();
  window.show();
  QApplication::processEvents();

  // the event loop's longest pause while the scan runs: how late a timer
  // of 10 ms fires
  constexpr qint64 kWatchNs = 10'000'000;
  qint64 longestStallNs = 0;
  QElapsedTimer sinceLastTurn;
  QTimer watcher;
  watcher.setTimerType(Qt::PreciseTimer);
  watcher.setInterval(static_cast<int>(kWatchNs / 1'000'000));
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    longestStallNs = std::max(longestStallNs, sinceLastTurn.nsecsElapsed() - kWatchNs);
    sinceLastTurn.restart();
  });

  clock.restart();
  sinceLastTurn.start();
  watcher.start();
  window.openSource(backupPath);
  const auto allRecordsShown = [&] {
    if (!results.browsing() || !results.shownTable()) return false;
    std::size_t inModel = 0;
    for (const CategoryList* list : listsOf(BrowseSource::blackBerry)) {
      inModel += session.results().count(list->list);
    }
    RecordTableModel* shown = results.tableModel(*results.shownTable());
    const ResultList list =
        PRResultViewController::sourceListFor(*results.shownTable(), BrowseSource::blackBerry);
    return inModel == records &&
           static_cast<std::size_t>(shown->rowCount()) == session.results().count(list);
  };
  while (!allRecordsShown()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  const qint64 scannedNs = clock.nsecsElapsed();
  watcher.stop();

  // a click on another category, answered when its table is filled
  clock.restart();
  results.categoryButton(ResultTable::contact)->click();
  QApplication::processEvents();
  const qint64 clickNs = clock.nsecsElapsed();
  const int contactRows = results.tableModel(ResultTable::contact)->rowCount();

  std::printf("records                       %zu (%.1f MB)\n", records,
              static_cast<double>(std::filesystem::file_size(backup)) / 1e6);
  std::printf("orvane-cli scan               %.2f s\n", seconds(cliNs));
  std::printf("app: usable results screen    %.2f s (%.2fx the command line)\n", seconds(scannedNs),
              static_cast<double>(scannedNs) / static_cast<double>(cliNs));
  std::printf("app: longest event-loop stall %.0f ms\n", static_cast<double>(longestStallNs) / 1e6);
  std::printf("app: click on Contacts        %.0f ms (%d rows)\n",
              static_cast<double>(clickNs) / 1e6, contactRows);
  return 0;
}
