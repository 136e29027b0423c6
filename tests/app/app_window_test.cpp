// The desktop windows driven as a user would, on the offscreen platform.

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDirIterator>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include "app/app_session.h"
#include "app/cry_window.h"
#include "app/disk_tree_model.h"
#include "app/disk_view_controller.h"
#include "app/elided_label.h"
#include "app/feedback_window.h"
#include "app/main_window.h"
#include "app/preview_pane.h"
#include "app/record_table_model.h"
#include "app/record_table_view.h"
#include "app/recovery_done_sheet.h"
#include "app/recovery_sheet.h"
#include "app/result_view.h"
#include "app/start_view.h"
#include "app/user_prompts.h"
#include "core/blackberry_records.h"
#include "core/event_names.h"
#include "core/ios_records.h"
#include "fake_engine.h"
#include "widgets/pr_button.h"
#include "widgets/pr_text_view.h"

using namespace orvane;
using orvane::testing::FakeEngine;
using orvane::testing::FoundReport;

namespace {

const QString kSample = QStringLiteral(ORVANE_SOURCE_DIR "/samples/sample.bbb");

// Answers the windows' questions in code and remembers what was asked.
struct FakePrompts final : UserPrompts {
  bool answerDefault = false;
  std::optional<QString> backupFile, exportFolder;
  QStringList questions;  // "message|default|alternate"
  QStringList messages, proposedNames;
  QList<QUrl> opened;

  bool confirm(QWidget*, const QString& message, const QString& defaultButton,
               const QString& alternateButton) override {
    questions << message + "|" + defaultButton + "|" + alternateButton;
    return answerDefault;
  }
  void inform(QWidget*, const QString& message, const QString&) override { messages << message; }
  std::optional<QString> chooseBackupFile(QWidget*) override { return backupFile; }
  std::optional<QString> chooseBackupFolder(QWidget*) override { return std::nullopt; }
  std::optional<QString> chooseDiskImage(QWidget*) override { return std::nullopt; }
  std::optional<QString> chooseExportFolder(QWidget*, const QString& proposedName) override {
    proposedNames << proposedName;
    return exportFolder;
  }
  void openWithDesktop(const QUrl& url) override { opened << url; }
};

QByteArray redPicture() {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// Every file and folder under `root`, by relative path, with its bytes.
QMap<QString, QByteArray> folderContents(const QString& root) {
  QMap<QString, QByteArray> files;
  QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile file(it.next());
    const QString relative = QDir(root).relativeFilePath(file.fileName());
    if (it.fileInfo().isDir()) files.insert(relative + "/", {});
    if (file.open(QIODevice::ReadOnly)) files.insert(relative, file.readAll());
  }
  return files;
}

}  // namespace

class AppWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir home_;
  FakePrompts prompts_;
  std::unique_ptr<AppSession> session_;

  MainWindow& window() { return session_->window(); }
  ResultView& results() { return *window().resultView(); }
  PRResultViewController& model() { return session_->results(); }

  // through the backup button, as a user opens a backup
  void scanSample() {
    prompts_.backupFile = kSample;
    window().startView()->backupButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(results().browsing(), 15000);
  }

  // A scan begun on the screen, its records then posted as a reader posts them.
  void beginScan(BrowseSource source) {
    model().showView(source);
    results().showView(source);
  }

  // Opens the category's page.
  RecordTableModel* open(ResultTable table) {
    results().categoryButton(table)->click();
    return results().tableModel(table);
  }

  QString cell(ResultTable table, int row, int column) {
    RecordTableModel* rows = results().tableModel(table);
    return rows->data(rows->index(row, column), Qt::DisplayRole).toString();
  }

  // The preview lines named, as shown ("" for a hidden line).
  void expectLines(ResultTable table, const std::vector<std::pair<const char*, QString>>& lines) {
    PreviewPane* pane = results().previewPane(table);
    for (const auto& [name, text] : lines) {
      ElidedLabel* label = pane->line(QString::fromLatin1(name));
      QCOMPARE(label != nullptr && label->isVisibleTo(pane) ? label->text() : "", text);
    }
  }

  // The engine lists the machine's disk (not offered) and a card with two
  // partitions; the card row is chosen in the chooser.
  PRDiskViewController& chooseCard(FakeEngine& engine) {
    engine.addDisk("/dev/fakesys", 0);
    engine.addDisk("/dev/fakecard", 2000000000, {{1, "vfat"}, {2, std::nullopt}});
    session_->engine().useEngineTable(&engine.table);
    window().startView()->cardButton()->click();
    PRDiskViewController& chooser = *window().diskViewController();
    chooser.quickTableView()->setCurrentIndex(chooser.model()->index(0, 0));
    return chooser;
  }

 private slots:
  void initTestCase() {
    // an empty home: no device backups in the catalogue
    qputenv("HOME", home_.path().toUtf8());
  }

  void init() {
    QSettings().clear();
    prompts_ = FakePrompts();
    session_ = std::make_unique<AppSession>(prompts_);
    window().show();
  }

  void cleanup() { session_.reset(); }

  void scanEndsOnCallHistoryAndEachPagePreviewsItsFirstRow() {
    scanSample();
    QCOMPARE(results().findChild<QLabel*>("subtitleLabel")->text(),
             QString("- Backup File Recovery"));
    QCOMPARE(results().shownTable(), ResultTable::callHistory);
    QVERIFY(!results().recoverButton()->isEnabled());
    // BlackBerry records carry no deleted mark: no box to filter by it
    QVERIFY(!results().deletedOnlyBox()->isVisible());
    QVERIFY(results().categoryButton(ResultTable::mms)->isVisible() &&
            !results().categoryButton(ResultTable::bookMark)->isVisible());
    const struct {
      ResultTable table;
      int rows;
      std::vector<std::pair<const char*, QString>> lines;
      QString text;  // of the text area
      bool picture = false;
    } pages[] = {
        {ResultTable::callHistory,
         3,
         {{"callNamelab", "Name:  José Núñez"},
          {"callPhonelab", "Phone: +34915550100"},
          {"callTypelab", "Type: Recived"},
          {"callTimelab", "Duration: 1 minute"},
          {"callDatelab", "Date: 05/06/2012 14:32"}},
         ""},
        {ResultTable::contact,
         3,
         {{"contactNamelab", "Núñez José "}, {"contactCompanylab", "Café Olé S.L."}},
         "",
         true},
        {ResultTable::message,
         3,
         {{"messagePhonelab", "Phone: +34915550100"}, {"messageTypelab", "Type: Incoming"}},
         "¿Nos vemos mañana a las 10?"},
        {ResultTable::note,
         2,
         {{"noteTitlelab", "Title: Shopping"}},
         "milk, eggs, bread, café molido"},
        {ResultTable::calender, 2, {{"calendarTitlelab", "Subject: Dentist"}}, ""},
        {ResultTable::mms,
         1,
         {{"mmsFromlab", "From: Ольга +79125554433"},
          {"mmsAttachmentlab", "Attachment: photo.jpg"}},
         "",
         true},  // its picture attachment is previewed
        {ResultTable::photo, 3, {}, "", true},
    };
    for (const auto& page : pages) {
      if (page.table != ResultTable::callHistory) open(page.table);
      QCOMPARE(results().tableModel(page.table)->rowCount(), page.rows);
      QCOMPARE(results().tableView(page.table)->selectedRowNumbers(), std::vector<std::size_t>{0});
      expectLines(page.table, page.lines);
      if (!page.text.isEmpty()) {
        QCOMPARE(results().previewPane(page.table)->textArea()->toPlainText(), page.text);
      }
      if (page.picture) QVERIFY(!results().previewPane(page.table)->picture()->pixmap().isNull());
    }
    QCOMPARE(cell(ResultTable::photo, 0, 1), QString("IMG00012.jpg"));
    // a contact without a picture shows the portrait, and an address of
    // empty parts keeps its blanks
    open(ResultTable::contact);
    results().tableView(ResultTable::contact)->selectRow(1);
    expectLines(ResultTable::contact,
                {{"contactNamelab", "Петрова Ольга "}, {"contactaddresslab", "Adress:     "}});
    QVERIFY(!results().previewPane(ResultTable::contact)->picture()->pixmap().isNull());
  }

  void ticksApplyToSelectedRows() {
    scanSample();
    open(ResultTable::message);
    RecordTableView* view = results().tableView(ResultTable::message);
    auto clickTick = [view](int row) {
      const QRect tick = view->visualRect(view->model()->index(row, 0));
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, tick.center());
    };
    view->selectionModel()->select(
        QItemSelection(view->model()->index(0, 0), view->model()->index(1, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // a real click on the tick of a selected row keeps the selection
    clickTick(1);
    QCOMPARE(model().selectedFilesNum(), 2);
    QCOMPARE(view->model()->data(view->model()->index(0, 0), Qt::CheckStateRole).toInt(),
             int(Qt::Checked));
    QCOMPARE(results().tickCountLabel()->text(),
             QString("You select 2 files in the recovery results."));
    QVERIFY(results().tickCountLabel()->isVisible() && results().recoverButton()->isEnabled());
    // a click on the tick of a row outside the selection selects it first
    clickTick(2);
    QCOMPARE(view->selectedRowNumbers(), std::vector<std::size_t>{2});
    QCOMPARE(model().selectedFilesNum(), 3);
    view->selectAll();
    view->clickTick(0);
    QCOMPARE(model().selectedFilesNum(), 0);
    QVERIFY(!results().tickCountLabel()->isVisible() && !results().recoverButton()->isEnabled());
  }

  void recoverWritesWhatTheCommandLineWritesThenHomeEmptiesAll() {
    scanSample();
    for (ResultTable table :
         {ResultTable::photo, ResultTable::contact, ResultTable::message, ResultTable::note,
          ResultTable::callHistory, ResultTable::calender, ResultTable::mms}) {
      open(table);
      QVERIFY(!results().selectAllBox()->isChecked());
      results().selectAllBox()->click();
    }
    QCOMPARE(model().selectedFilesNum(), 17);
    // each page remembers its own box
    open(ResultTable::contact);
    QVERIFY(results().selectAllBox()->isChecked());
    // an existing folder is refused, a cancelled choice does nothing
    QTemporaryDir out;
    prompts_.exportFolder = out.path();
    results().recoverButton()->click();
    QCOMPARE(prompts_.messages.size(), 1);
    QVERIFY(prompts_.messages.first().contains("already exists"));
    QVERIFY(!results().recoverySheet()->running() && QDir(out.path()).isEmpty());
    prompts_.exportFolder.reset();
    results().recoverButton()->click();
    QVERIFY(!results().recoverySheet()->running() && prompts_.opened.isEmpty());

    const QString folder = out.filePath("Orvane export");
    prompts_.exportFolder = folder;
    results().recoverButton()->click();
    QVERIFY(QRegularExpression(R"(^Orvane \d{4}-\d\d-\d\d - \d\d\.\d\d\.\d\d$)")
                .match(prompts_.proposedNames.value(0))
                .hasMatch());
    // the finished sheet tells what was written per category, and shows the folder
    RecoveryDoneSheet* done = results().recoverySheet()->doneSheet();
    QTRY_VERIFY_WITH_TIMEOUT(done->isVisible(), 10000);
    QVERIFY(!results().recoverySheet()->isVisible());
    QCOMPARE(done->headline()->text(), QString("Recovery finished: 17 records were written."));
    QCOMPARE(done->categoryLines(),
             QStringList({"Photo&Video: 3", "Contacts: 3", "Messages: 3", "Notes: 2",
                          "Call History: 3", "Calendar: 2", "MMS: 1"}));
    QVERIFY(!done->problemsView()->isVisibleTo(done) && prompts_.opened.isEmpty());
    done->showFolderButton()->click();
    QCOMPARE(prompts_.opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
    done->accept();
    QCOMPARE(prompts_.messages.size(), 1);

    const QString expected = out.filePath("by the command line");
    QProcess cli;
    cli.start(ORVANE_CLI_PATH, {"scan", kSample, "--export", expected});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 0);
    const auto written = folderContents(folder);
    QVERIFY(written.contains("MMSMessgae/") && written.contains("Contact/Contacts.txt"));
    QCOMPARE(written, folderContents(expected));
    results().selectAllBox()->click();
    QCOMPARE(model().selectedFilesNum(), 14);

    // Home asks first: Cancel keeps every list and tick, Back empties them
    results().homeButton()->click();
    QCOMPARE(prompts_.questions.last(),
             QString("Are you sure you want to go back to Home? If Back, the scanning results "
                     "will not be saved.| Back |Cancel"));
    QCOMPARE(model().selectedFilesNum(), 14);
    QCOMPARE(results().tableModel(ResultTable::mms)->rowCount(), 1);
    prompts_.answerDefault = true;
    results().homeButton()->click();
    QVERIFY(window().startView()->isVisible());
    QCOMPARE(model().allRecordsInPostingOrder().size(), 0u);
    QCOMPARE(results().tableModel(ResultTable::mms)->rowCount(), 0);
  }

  void cancelledRecoveryLeavesOnlyWholeFilesAndSaysSo() {
    beginScan(BrowseSource::blackBerry);
    for (int i = 0; i < 20000; ++i) {
      auto contact = std::make_shared<PRBlackBerryContactNode>();
      contact->contactName = "Contact " + std::to_string(i);
      session_->app().nc.postNotificationName(events::BlacBerryContactInfo, RecordPtr(contact));
    }
    model().ScanThreadFinish();
    open(ResultTable::contact);
    results().selectAllBox()->click();
    QTemporaryDir out;
    prompts_.exportFolder = out.filePath("cancelled");
    results().recoverButton()->click();
    results().recoverySheet()->cancelButton()->click();
    RecoveryDoneSheet* done = results().recoverySheet()->doneSheet();
    QTRY_VERIFY_WITH_TIMEOUT(done->isVisible(), 20000);
    QVERIFY2(done->headline()->text().startsWith("Recovery cancelled: "),
             qPrintable(done->headline()->text()));
    QCOMPARE(done->categoryLines(), QStringList{"Contacts: 20000"});
    // no file is left half written under its own name or a hidden one
    const auto written = folderContents(*prompts_.exportFolder);
    QVERIFY(written.size() < 20000);
    for (auto file = written.begin(); file != written.end(); ++file) {
      QVERIFY2(!QFileInfo(file.key()).fileName().startsWith('.'), qPrintable(file.key()));
      if (file.key().endsWith(".vcf")) QVERIFY(file.value().trimmed().endsWith("END:VCARD"));
    }
  }

  void unreadableSourcesLeaveTheStartScreenCurrent() {
    QFile junk(home_.filePath("junk.ipd"));
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("this is no backup at all") > 0);
    junk.close();
    QVERIFY(QDir(home_.path()).mkpath("empty folder"));
    const struct {
      QString path, told;
    } sources[] = {
        {home_.filePath("missing.ipd"), "does not exist"},
        {junk.fileName(), "could not be read"},
        {home_.filePath("empty folder"), "could not be read"},
    };
    for (const auto& source : sources) {
      prompts_.messages.clear();
      window().openSource(source.path);
      QTRY_COMPARE_WITH_TIMEOUT(prompts_.messages.size(), 1, 10000);
      QVERIFY2(prompts_.messages.first().contains(source.told), qPrintable(source.path));
      QCOMPARE(qobject_cast<QStackedWidget*>(window().centralWidget())->currentWidget(),
               window().startView());
      QVERIFY(!results().browsing() && prompts_.questions.isEmpty());
    }
  }

  void exitAsksFirstButQuitDoesNotAndTheMenuOpensAndSorts() {
    QVERIFY(!window().close());
    QVERIFY(window().isVisible());
    QCOMPARE(prompts_.questions, QStringList{"Are you sure you want to Exit ?| Exit |Cancel"});
    prompts_.questions.clear();
    QMap<QString, QAction*> actions;
    for (QAction* action : window().menuBar()->actions().first()->menu()->actions()) {
      actions.insert(action->text(), action);
    }
    prompts_.backupFile = kSample;
    actions.value("Open Backup File...")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(results().browsing(), 15000);
    // no second scan while the results show
    QVERIFY(!actions.value("Open Backup File...")->isEnabled());

    // a second click on a column sorts it the other way
    QHeaderView* header = results().tableView(ResultTable::callHistory)->horizontalHeader();
    header->sectionClicked(1);
    header->sectionClicked(1);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(cell(ResultTable::callHistory, 0, 1), QString("Ольга Петрова"));

    QSignalSpy ending(&window(), &MainWindow::applicationEnding);
    actions.value("Quit")->trigger();
    QCOMPARE(ending.count(), 1);
    QVERIFY(prompts_.questions.isEmpty());
  }

  void progressOnlyGrowsCountsTheSourcesCategoriesAndStops() {
    beginScan(BrowseSource::blackBerry);
    NotificationCenter& nc = session_->app().nc;
    for (int i = 0; i < 2; ++i) {
      nc.postNotificationName(events::BlacBerryContactInfo,
                              RecordPtr(std::make_shared<PRBlackBerryContactNode>()));
    }
    nc.postNotificationName(events::BlackBerrySMSMessageInfo,
                            RecordPtr(std::make_shared<PRBlackBerrySMSMessageNode>()));
    for (std::int64_t percent : {40, 12, 38}) {
      nc.postNotificationName(events::BlackBerryRawRecoveryProgress, percent);
    }
    QTRY_COMPARE(results().percentLabel()->text(), QString("40%"));
    QCOMPARE(results().findChild<QProgressBar*>()->value(), 40);
    // one column of this source's categories, no deleted ones
    QCOMPARE(results().countLabelTexts(),
             QStringList({"Photo&Video:  0", "Contacts:  2", "Messages:  1", "Notes:  0",
                          "Call History:  0", "Calendar:  0", "MMS:  0"}));
    // every scan can be stopped, and says its results are partial
    QVERIFY(results().stopButton()->isVisibleTo(&results()));
    results().stopButton()->click();
    QVERIFY(results().browsing() && results().partialLabel()->isVisibleTo(&results()));
    QCOMPARE(open(ResultTable::contact)->rowCount(), 2);
  }

  void feedbackSaysWhenMailIsNotSetUpAndKeepsTheText() {
    for (const char* name :
         {"ORVANE_FEEDBACK_MAILBOX", "ORVANE_FEEDBACK_SMTP_HOST", "ORVANE_FEEDBACK_PASSWORD"}) {
      qunsetenv(name);
    }
    scanSample();
    results().feedbackButton()->click();
    FeedbackWindow* feedback = window().feedbackWindow();
    PRFeedBackView* text = feedback->feedbackView();
    // a click clears the placeholder, and only the placeholder
    QCOMPARE(text->toPlainText(), QString("Provide any suggestions or problems to us."));
    QTest::mouseClick(text->viewport(), Qt::LeftButton);
    QTest::keyClicks(text, "More categories, please");
    QTest::mouseClick(text->viewport(), Qt::LeftButton);
    QCOMPARE(text->toPlainText(), QString("More categories, please"));
    feedback->sendButton()->click();
    QTRY_COMPARE(feedback->statusLabel()->text(),
                 QString("Feedback cannot be sent: this copy of Orvane has no mail account set "
                         "up."));
    QVERIFY(feedback->isVisible() && feedback->sendButton()->isEnabled());
    feedback->dontSendButton()->click();
    QVERIFY(!feedback->isVisible());

    // quitting offers the same sheet: a failed send keeps it open, and its
    // exit needs no second question
    QSignalSpy ending(&window(), &MainWindow::applicationEnding);
    window().showCryWindow();
    CryWindow* cry = window().cryWindow();
    QTest::keyClicks(cry->feedbackView(), "Faster scans");
    cry->sendButton()->click();
    QVERIFY(cry->statusLabel()->text().startsWith("Feedback cannot be sent"));
    QVERIFY(cry->isVisible() && ending.isEmpty());
    cry->exitButton()->click();
    QCOMPARE(ending.count(), 1);
    QVERIFY(!window().isVisible() && prompts_.questions.isEmpty());
  }

  void chooserListsTheEngineDisksAndScansTheChosenOne() {
    FakeEngine engine;
    const QByteArray picture = redPicture();
    engine.deviceBytes.assign(4096, 0);
    engine.deviceBytes.insert(engine.deviceBytes.end(), picture.begin(), picture.end());
    engine.reports = {FoundReport{4096, static_cast<std::uint32_t>(picture.size()), "f8.png"},
                      FoundReport{0, 100, "clip.mp4"}, FoundReport{0, 10, "notes.txt"},
                      FoundReport{0, 10, "photos.zip"}};
    PRDiskViewController& chooser = chooseCard(engine);
    DiskTreeModel* disks = chooser.model();
    // the machine's own disk is not offered; the card shows its partitions
    const QModelIndex card = disks->index(0, 0);
    QCOMPARE(disks->rowCount(), 1);
    QVERIFY(chooser.quickTableView()->isExpanded(card) && disks->rowCount(card) == 2);
    chooser.quickTableView()->clearSelection();
    QVERIFY(!chooser.scanButton()->isEnabled());
    chooser.quickTableView()->setCurrentIndex(disks->index(0, 0, card));
    chooser.scanButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(results().browsing(), 10000);
    QCOMPARE(engine.scans, std::vector<std::string>{"/dev/fakecard 1"});
    QCOMPARE(results().findChild<QLabel*>("subtitleLabel")->text(),
             QString("- Memory Card Recovery"));
    // the five card categories, and no backup ones
    for (ResultTable table : {ResultTable::bbImage, ResultTable::bbVideo, ResultTable::bbAudio,
                              ResultTable::bbDocument, ResultTable::bbArchive}) {
      QVERIFY(results().categoryButton(table)->isVisible());
    }
    QVERIFY(!results().categoryButton(ResultTable::contact)->isVisible());
    // the found picture is read through the engine for its preview
    QCOMPARE(results().shownTable(), ResultTable::bbImage);
    QCOMPARE(cell(ResultTable::bbImage, 0, 1), QString("f8.png"));
    const QImage shown = results().previewPane(ResultTable::bbImage)->picture()->pixmap().toImage();
    QCOMPARE(shown.pixelColor(shown.rect().center()), QColor(Qt::red));
    QCOMPARE(engine.readDisks, std::vector<list_disk_struct*>{engine.disk(1)});
    open(ResultTable::bbVideo);
    QCOMPARE(cell(ResultTable::bbVideo, 0, 1), QString("clip.mp4"));
    // archives are kept, on a page of their own
    QCOMPARE(open(ResultTable::bbArchive)->rowCount(), 1);
    QVERIFY(prompts_.messages.isEmpty());
  }

  void stopShowsWhatWasFoundAndKeepsTheOpenCategory() {
    // counts the scan thread's own end, once the main thread has run it
    struct ThreadEnd final : ScanEndListener {
      explicit ThreadEnd(PRResultViewController& r) : results(r) {}
      void ScanThreadFinish() override {
        results.ScanThreadFinish();
        ++calls;
      }
      PRResultViewController& results;
      std::atomic<int> calls{0};
    } threadEnd(model());
    session_->app().setScanEndListener(&threadEnd);

    FakeEngine engine;
    engine.holdScan = true;
    // reported as the engine leaves its scan, after Stop
    engine.reports = {FoundReport{0, 10, "notes.txt"}};
    chooseCard(engine).scanButton()->click();
    engine.waitUntilScanning();
    QVERIFY(results().stopButton()->isVisible() && !results().browsing());
    results().stopButton()->click();
    QCOMPARE(engine.stopCalls.load(), 1);
    QVERIFY(results().browsing() && !results().stopButton()->isVisible());
    open(ResultTable::bbDocument);
    // the scan's own end shows the late file and leaves the category open
    QTRY_COMPARE_WITH_TIMEOUT(threadEnd.calls.load(), 1, 10000);
    session_->app().setScanEndListener(&model());
    QCOMPARE(results().tableModel(ResultTable::bbDocument)->rowCount(), 1);
    QCOMPARE(results().shownTable(), ResultTable::bbDocument);
    QCOMPARE(model().currentTableView(), ResultTable::bbDocument);
    QCOMPARE(session_->rawScan().lastResult(), RawScanResult::stopped);
    QVERIFY(prompts_.messages.isEmpty());
  }

  void deletedRowsAreRedAndTheBoxFiltersThem() {
    // device-backup records posted as a scan would post them
    beginScan(BrowseSource::ios);
    auto live = std::make_shared<PRContactNode>();
    live->contactName = "Ann";
    auto carved = std::make_shared<PRContactNode>();
    carved->contactName = "Bob";
    // department, job title and organisation as the company text joins them
    carved->contactCompany = "Sales Eng Engineering";
    carved->contactJobtitle = "Eng";
    session_->app().nc.postNotificationName(events::ScanContactInfo, RecordPtr(live));
    session_->app().nc.postNotificationName(events::ScanDelContactInfo, RecordPtr(carved));
    model().ScanThreadFinish();
    QVERIFY(results().categoryButton(ResultTable::bookMark)->isVisibleTo(&results()));
    // no call history: the first category with records opens
    QCOMPARE(results().shownTable(), ResultTable::contact);
    // an empty table, and an empty deleted-only view, say so
    open(ResultTable::message);
    RecordTableView* messages = results().tableView(ResultTable::message);
    QCOMPARE(messages->emptyText(), QString("No messages were found in this backup."));
    results().deletedOnlyBox()->click();
    QCOMPARE(messages->emptyText(), QString("No deleted messages were found in this backup."));

    RecordTableModel* contacts = open(ResultTable::contact);
    QCOMPARE(contacts->rowCount(), 2);
    QVERIFY(!contacts->data(contacts->index(0, 1), Qt::ForegroundRole).isValid());
    QCOMPARE(contacts->data(contacts->index(1, 1), Qt::ForegroundRole).value<QColor>(),
             QColor(217, 81, 30));
    QVERIFY(results().deletedOnlyBox()->isVisibleTo(&results()));
    results().deletedOnlyBox()->click();
    QCOMPARE(contacts->rowCount(), 1);
    // the job title shown on its own line, and left out of the company's
    expectLines(ResultTable::contact, {{"contactNamelab", "Bob"},
                                       {"contacttitlelab", "Eng"},
                                       {"contactCompanylab", "Sales Engineering"}});
    results().deletedOnlyBox()->click();
    QCOMPARE(contacts->rowCount(), 2);
  }
};

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  AppWindowTest windows;
  return QTest::qExec(&windows, argc, argv);
}

#include "app_window_test.moc"
