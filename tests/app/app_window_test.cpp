// The desktop windows driven as a user would, on the offscreen platform.

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QEnterEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <memory>

#include "app/about_window.h"
#include "app/app_session.h"
#include "app/cry_window.h"
#include "app/disk_tree_model.h"
#include "app/disk_view_controller.h"
#include "app/elided_label.h"
#include "app/feedback_window.h"
#include "app/lead_window.h"
#include "app/main_window.h"
#include "app/preview_pane.h"
#include "app/record_table_model.h"
#include "app/record_table_view.h"
#include "app/recovery_sheet.h"
#include "app/result_view.h"
#include "app/start_view.h"
#include "app/web_pages.h"
#include "core/event_names.h"
#include "core/ios_records.h"
#include "fake_engine.h"
#include "fake_prompts.h"
#include "widgets/pr_button.h"
#include "widgets/pr_text_view.h"
#include "widgets_test.h"

using namespace orvane;
using orvane::testing::FakeEngine;
using orvane::testing::FakePrompts;
using orvane::testing::FoundReport;

namespace {

const QString kSample = QStringLiteral(ORVANE_SOURCE_DIR "/samples/sample.bbb");

QString lineText(ResultView& view, ResultTable table, const char* name) {
  ElidedLabel* label = view.previewPane(table)->line(QString::fromLatin1(name));
  return label != nullptr && label->isVisibleTo(view.previewPane(table)) ? label->text()
                                                                         : QString();
}

QString cell(ResultView& view, ResultTable table, int row, int column) {
  RecordTableModel* model = view.tableModel(table);
  return model->data(model->index(row, column), Qt::DisplayRole).toString();
}

QByteArray redPicture() {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

void unsetFeedbackMail() {
  for (const char* name :
       {"ORVANE_FEEDBACK_MAILBOX", "ORVANE_FEEDBACK_SMTP_HOST", "ORVANE_FEEDBACK_PASSWORD"}) {
    qunsetenv(name);
  }
}

// Every file under `root`, by relative path, with its bytes.
QMap<QString, QByteArray> folderContents(const QString& root) {
  QMap<QString, QByteArray> files;
  QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString relative = QDir(root).relativeFilePath(path);
    QFile file(path);
    if (it.fileInfo().isDir()) {
      files.insert(relative + "/", {});
    } else if (file.open(QIODevice::ReadOnly)) {
      files.insert(relative, file.readAll());
    }
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

  void scanSample() {
    window().openSource(kSample);
    QTRY_VERIFY_WITH_TIMEOUT(results().browsing(), 15000);
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
    prompts_ = FakePrompts();
    session_ = std::make_unique<AppSession>(prompts_);
    window().show();
  }

  void cleanup() { session_.reset(); }

  void startScreenHasItsSizeOptionsAndHoverTexts() {
    QCOMPARE(window().size(), QSize(849, 560));
    StartView& start = *window().startView();
    QCOMPARE(start.noteLabel()->text(),
             QString("* Extract data and files from your BlackBerry's .BBB or .IPD backup "
                     "files.\n* Recover deleted Photos, Videos, Audios, Document and others from "
                     "BlackBerry's external memory card."));
    QVERIFY(!start.scanButton()->isEnabled());
    QCOMPARE(start.backupTable()->model()->rowCount(), 0);

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(start.backupButton(), &enter);
    QCOMPARE(start.noteLabel()->text(),
             QString("* This option will scan your BlackBerry's .BBB or .IPD backup files."));
    QCOMPARE(start.pictureOf(start.backupButton()), QString("ipdBtnDown"));
    QCOMPARE(start.backgroundOf(start.backupButton()), QString("firstBtnDown"));
    QApplication::sendEvent(start.backupButton(), &leave);
    QCOMPARE(start.pictureOf(start.backupButton()), QString("ipdBtn"));
    QCOMPARE(start.backgroundOf(start.backupButton()), QString("firstBtn"));
    QCOMPARE(start.noteLabel()->text(), StartView::defaultNote());

    QApplication::sendEvent(start.cardButton(), &enter);
    QCOMPARE(start.noteLabel()->text(),
             QString("* Please plug the external memory card into the computer before scanning."));
    QCOMPARE(start.pictureOf(start.cardButton()), QString("cardBtnDown"));
    QApplication::sendEvent(start.cardButton(), &leave);
    QCOMPARE(start.pictureOf(start.cardButton()), QString("cardBtn"));
  }

  void exitAsksAndCancelKeepsTheWindow() {
    prompts_.answerDefault = false;
    QVERIFY(!window().close());
    QVERIFY(window().isVisible());
    QCOMPARE(prompts_.questions, QStringList{"Are you sure you want to Exit ?| Exit |Cancel"});
    prompts_.answerDefault = true;
    QVERIFY(window().close());
  }

  void backupButtonOpensTheChosenFile() {
    prompts_.backupFile = kSample;
    window().startView()->backupButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(results().browsing(), 15000);
    QCOMPARE(window().size(), QSize(850, 620));
  }

  void scanEndsOnCallHistoryWithRowZeroPreviewed() {
    scanSample();
    QCOMPARE(window().size(), QSize(850, 620));
    QCOMPARE(results().findChild<QLabel*>("subtitleLabel")->text(),
             QString("- Backup File Recovery"));
    QCOMPARE(results().shownTable(), ResultTable::callHistory);
    RecordTableView* calls = results().tableView(ResultTable::callHistory);
    QCOMPARE(calls->model()->rowCount(), 3);
    QCOMPARE(calls->selectedRowNumbers(), std::vector<std::size_t>{0});
    QCOMPARE(lineText(results(), ResultTable::callHistory, "callNamelab"),
             QString("Name:  José Núñez"));
    QCOMPARE(lineText(results(), ResultTable::callHistory, "callPhonelab"),
             QString("Phone: +34915550100"));
    QCOMPARE(lineText(results(), ResultTable::callHistory, "callTypelab"),
             QString("Type: Recived"));
    QCOMPARE(lineText(results(), ResultTable::callHistory, "callTimelab"),
             QString("Duration: 1 minute"));
    QCOMPARE(lineText(results(), ResultTable::callHistory, "callDatelab"),
             QString("Date: 05/06/2012 14:32"));
    QVERIFY(!results().progressPage()->isVisible());
    QVERIFY(results().homeButton()->isEnabled());
    QVERIFY(!results().recoverButton()->isEnabled());
    QVERIFY(results().selectAllBox()->isVisible());
    // BlackBerry records carry no deleted mark: no box to filter by it
    QVERIFY(!results().deletedOnlyBox()->isVisible());
    QVERIFY(!results().categoryButton(ResultTable::bookMark)->isVisible());
    QVERIFY(results().categoryButton(ResultTable::mms)->isVisible());
  }

  void categoriesShowTheirRecordsAndPreviews() {
    scanSample();
    results().categoryButton(ResultTable::contact)->click();
    QCOMPARE(results().shownTable(), ResultTable::contact);
    QCOMPARE(results().tableView(ResultTable::contact)->model()->rowCount(), 3);
    QCOMPARE(lineText(results(), ResultTable::contact, "contactNamelab"), QString("Núñez José "));
    QCOMPARE(lineText(results(), ResultTable::contact, "contactCompanylab"),
             QString("Café Olé S.L."));
    QVERIFY(!results().previewPane(ResultTable::contact)->picture()->pixmap().isNull());
    // a contact without a picture shows the portrait, and an address of
    // empty parts keeps its blanks
    results().tableView(ResultTable::contact)->selectRow(1);
    QCOMPARE(lineText(results(), ResultTable::contact, "contactNamelab"),
             QString("Петрова Ольга "));
    QVERIFY(!results().previewPane(ResultTable::contact)->picture()->pixmap().isNull());
    QVERIFY(lineText(results(), ResultTable::contact, "contactaddresslab").startsWith("Adress: "));

    results().categoryButton(ResultTable::message)->click();
    QCOMPARE(lineText(results(), ResultTable::message, "messagePhonelab"),
             QString("Phone: +34915550100"));
    QCOMPARE(lineText(results(), ResultTable::message, "messageTypelab"),
             QString("Type: Incoming"));
    QCOMPARE(results().previewPane(ResultTable::message)->textArea()->toPlainText(),
             QString("¿Nos vemos mañana a las 10?"));

    results().categoryButton(ResultTable::note)->click();
    QCOMPARE(lineText(results(), ResultTable::note, "noteTitlelab"), QString("Title: Shopping"));
    QCOMPARE(results().previewPane(ResultTable::note)->textArea()->toPlainText(),
             QString("milk, eggs, bread, café molido"));

    results().categoryButton(ResultTable::photo)->click();
    QCOMPARE(results().tableView(ResultTable::photo)->model()->rowCount(), 3);
    QCOMPARE(cell(results(), ResultTable::photo, 0, 1), QString("IMG00012.jpg"));
    QVERIFY(!results().previewPane(ResultTable::photo)->picture()->pixmap().isNull());

    results().categoryButton(ResultTable::calender)->click();
    QCOMPARE(results().tableView(ResultTable::calender)->model()->rowCount(), 2);
    results().categoryButton(ResultTable::mms)->click();
    QCOMPARE(cell(results(), ResultTable::mms, 0, 2), QString("photo.jpg"));
    // the selected category alone shows its selected picture
    QVERIFY(results().categoryButton(ResultTable::mms)->styleSheet().contains("bold"));
    QVERIFY(results().categoryButton(ResultTable::contact)->styleSheet().isEmpty());

    // selecting a category twice lists each record once
    results().categoryButton(ResultTable::photo)->click();
    results().categoryButton(ResultTable::photo)->click();
    QCOMPARE(results().tableView(ResultTable::photo)->model()->rowCount(), 3);
  }

  void aTickAppliesToEverySelectedRow() {
    scanSample();
    results().categoryButton(ResultTable::message)->click();
    RecordTableView* view = results().tableView(ResultTable::message);
    view->selectionModel()->select(
        QItemSelection(view->model()->index(0, 0), view->model()->index(1, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // a real click on the tick of a selected row keeps the selection
    const QRect tick = view->visualRect(view->model()->index(1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, tick.center());
    QCOMPARE(session_->results().selectedFilesNum(), 2);
    QCOMPARE(view->model()->data(view->model()->index(0, 0), Qt::CheckStateRole).toInt(),
             int(Qt::Checked));
    QVERIFY(results().tickCountLabel()->isVisible());
    QCOMPARE(results().tickCountLabel()->text(),
             QString("You select 2 files in the recovery results."));
    QVERIFY(results().recoverButton()->isEnabled());

    // a click on the tick of a row outside the selection selects it first
    const QRect third = view->visualRect(view->model()->index(2, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, third.center());
    QCOMPARE(view->selectedRowNumbers(), std::vector<std::size_t>{2});
    QCOMPARE(session_->results().selectedFilesNum(), 3);

    view->selectAll();
    view->clickTick(0);
    QCOMPARE(session_->results().selectedFilesNum(), 0);
    QVERIFY(!results().tickCountLabel()->isVisible());
    QVERIFY(!results().recoverButton()->isEnabled());
  }

  void selectAllTicksTheCategoryAndRemembersIt() {
    scanSample();
    results().categoryButton(ResultTable::contact)->click();
    results().selectAllBox()->click();
    QCOMPARE(session_->results().selectedFilesNum(), 3);
    QCOMPARE(results().tickCountLabel()->text(),
             QString("You select 3 files in the recovery results."));
    results().categoryButton(ResultTable::note)->click();
    QVERIFY(!results().selectAllBox()->isChecked());
    results().categoryButton(ResultTable::contact)->click();
    QVERIFY(results().selectAllBox()->isChecked());
    results().selectAllBox()->click();
    QCOMPARE(session_->results().selectedFilesNum(), 0);
    QVERIFY(!results().recoverButton()->isEnabled());
  }

  void headerClicksSortAndReverse() {
    scanSample();
    RecordTableView* view = results().tableView(ResultTable::callHistory);
    auto names = [&] {
      QStringList shown;
      for (int row = 0; row < view->model()->rowCount(); ++row) {
        shown << cell(results(), ResultTable::callHistory, row, 1);
      }
      return shown;
    };
    QCOMPARE(names(), (QStringList{"José Núñez", "Ольга Петрова", ""}));
    const QPoint nameHeader(view->horizontalHeader()->sectionViewportPosition(1) + 10, 5);
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {}, nameHeader);
    const QStringList first = names();
    QStringList ascending = first;
    std::sort(ascending.begin(), ascending.end());
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());
    // the direction flag is shared by every table, so either may come first
    QVERIFY(first == ascending || first == descending);
    QCOMPARE(view->selectedRowNumbers(), std::vector<std::size_t>{0});
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {}, nameHeader);
    QCOMPARE(names(), first == ascending ? descending : ascending);
    // the tick column does not sort
    const QStringList before = names();
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(names(), before);
  }

  void recoverWritesWhatTheCommandLineWrites() {
    scanSample();
    for (ResultTable table :
         {ResultTable::photo, ResultTable::contact, ResultTable::message, ResultTable::note,
          ResultTable::callHistory, ResultTable::calender, ResultTable::mms}) {
      results().categoryButton(table)->click();
      if (!results().selectAllBox()->isChecked()) results().selectAllBox()->click();
    }
    QCOMPARE(session_->results().selectedFilesNum(), 17);

    QTemporaryDir out;
    const QString folder = out.filePath("Orvane export");
    prompts_.exportFolder = folder;
    results().recoverButton()->click();
    QCOMPARE(prompts_.proposedNames.size(), 1);
    QVERIFY(QRegularExpression(R"(^Orvane \d{4}-\d{2}-\d{2} - \d{2}\.\d{2}\.\d{2}$)")
                .match(prompts_.proposedNames.first())
                .hasMatch());
    QTRY_COMPARE_WITH_TIMEOUT(prompts_.opened.size(), 1, 10000);
    QCOMPARE(prompts_.opened.first(), QUrl::fromLocalFile(folder));
    QVERIFY(!results().recoverySheet()->isVisible());
    QVERIFY(prompts_.messages.isEmpty());

    const QString expected = out.filePath("by the command line");
    QProcess cli;
    cli.start(ORVANE_CLI_PATH, {"scan", kSample, "--export", expected});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 0);
    const auto written = folderContents(folder);
    QVERIFY(written.contains("MMSMessgae/"));
    QVERIFY(written.contains("Contact/Contacts.txt"));
    QCOMPARE(written, folderContents(expected));
  }

  void recoverRefusesAnExistingFolderAndCancelDoesNothing() {
    scanSample();
    results().categoryButton(ResultTable::note)->click();
    results().selectAllBox()->click();
    QTemporaryDir out;
    prompts_.exportFolder = out.path();
    results().recoverButton()->click();
    QCOMPARE(prompts_.messages.size(), 1);
    QVERIFY(prompts_.messages.first().contains("already exists"));
    QVERIFY(!results().recoverySheet()->running());
    QVERIFY(QDir(out.path()).isEmpty());

    prompts_.exportFolder.reset();
    results().recoverButton()->click();
    QVERIFY(!results().recoverySheet()->running());
    QVERIFY(prompts_.opened.isEmpty());
  }

  void homeWithCancelKeepsEverythingAndBackEmptiesIt() {
    scanSample();
    results().categoryButton(ResultTable::contact)->click();
    results().selectAllBox()->click();
    prompts_.answerDefault = false;
    results().homeButton()->click();
    QCOMPARE(prompts_.questions.last(),
             QString("Are you sure you want to go back to Home? If Back, the scanning results "
                     "will not be saved.| Back |Cancel"));
    QCOMPARE(window().size(), QSize(850, 620));
    QCOMPARE(session_->results().count(ResultList::bbContactArray), 3u);
    QCOMPARE(session_->results().selectedFilesNum(), 3);
    QCOMPARE(results().tableView(ResultTable::contact)->model()->rowCount(), 3);

    prompts_.answerDefault = true;
    results().homeButton()->click();
    QCOMPARE(window().size(), QSize(849, 560));
    QVERIFY(window().startView()->isVisible());
    QCOMPARE(session_->results().count(ResultList::bbContactArray), 0u);
    QCOMPARE(session_->results().count(ResultList::bbCallArray), 0u);
    QCOMPARE(results().tableView(ResultTable::contact)->model()->rowCount(), 0);

    // and a new scan starts from nothing
    scanSample();
    QCOMPARE(session_->results().count(ResultList::bbContactArray), 3u);
    QCOMPARE(session_->results().selectedFilesNum(), 0);
  }

  void unreadableSourcesAreTold() {
    window().openSource(home_.filePath("missing.ipd"));
    QCOMPARE(prompts_.messages.size(), 1);
    QVERIFY(prompts_.messages.first().contains("does not exist"));
    QCOMPARE(window().size(), QSize(849, 560));

    const QString junk = home_.filePath("junk.ipd");
    QFile file(junk);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is no backup at all");
    file.close();
    window().openSource(junk);
    QTRY_VERIFY_WITH_TIMEOUT(results().browsing(), 10000);
    QTRY_COMPARE(prompts_.messages.size(), 2);
    QVERIFY(prompts_.messages.last().contains("could not be read"));
  }

  void feedbackSaysWhenMailIsNotSetUpAndKeepsTheWindow() {
    unsetFeedbackMail();
    scanSample();
    QVERIFY(results().feedbackButton()->isEnabled());
    results().feedbackButton()->click();
    FeedbackWindow* feedback = window().feedbackWindow();
    QVERIFY(feedback->isVisible());
    QCOMPARE(feedback->feedbackView()->toPlainText(),
             QString("Provide any suggestions or problems to us."));
    QTest::mouseClick(feedback->feedbackView()->viewport(), Qt::LeftButton);
    QVERIFY(feedback->feedbackView()->toPlainText().isEmpty());
    QTest::keyClicks(feedback->feedbackView(), "More categories, please");
    QTest::mouseClick(feedback->feedbackView()->viewport(), Qt::LeftButton);
    QCOMPARE(feedback->feedbackView()->toPlainText(), QString("More categories, please"));

    feedback->sendButton()->click();
    QTRY_VERIFY(feedback->statusLabel()->text().startsWith("Feedback mail is not set up"));
    QVERIFY(feedback->isVisible());
    QVERIFY(feedback->sendButton()->isEnabled());
    feedback->dontSendButton()->click();
    QVERIFY(!feedback->isVisible());
  }

  void welcomeSheetStartsAndAboutOpensOnce() {
    window().showLeadWindow();
    LeadWindow* lead = window().leadWindow();
    QVERIFY(lead->isVisible());
    QCOMPARE(lead->windowModality(), Qt::WindowModal);
    lead->learnMoreButton()->click();
    QCOMPARE(prompts_.opened, QList<QUrl>{QUrl(web::kLearnMore)});
    lead->startButton()->click();
    QVERIFY(!lead->isVisible());
    QCOMPARE(lead->result(), int(QDialog::Accepted));

    window().ClickAbout();
    window().ClickAbout();
    QCOMPARE(window().findChildren<AboutWindow*>().size(), 1);
    AboutWindow* about = window().aboutWindow();
    QVERIFY(about->isVisible());
    QCOMPARE(about->supportButton()->font().family(), QString("Arial"));
    about->homePageButton()->click();
    about->supportButton()->click();
    QCOMPARE(prompts_.opened.mid(1), (QList<QUrl>{QUrl(web::kHomePage), QUrl(web::kSupport)}));
  }

  void quittingOffersTheFeedbackSheet() {
    unsetFeedbackMail();
    QSignalSpy ending(&window(), &MainWindow::applicationEnding);
    window().showCryWindow();
    CryWindow* cry = window().cryWindow();
    QVERIFY(cry->isVisible());
    QTest::mouseClick(cry->feedbackView()->viewport(), Qt::LeftButton);
    QTest::keyClicks(cry->feedbackView(), "Faster scans");
    cry->sendButton()->click();
    // leaving now would lose the suggestion without a word
    QVERIFY(cry->statusLabel()->text().startsWith("Feedback mail is not set up"));
    QVERIFY(cry->isVisible());
    QCOMPARE(ending.count(), 0);
    cry->cancelButton()->click();
    QVERIFY(!cry->isVisible());
    QVERIFY(window().isVisible());

    window().showCryWindow();
    QVERIFY(cry->statusLabel()->text().isEmpty());
    cry->exitButton()->click();
    QCOMPARE(ending.count(), 1);
    // the sheet asked already: the window closes without the exit question
    QVERIFY(!window().isVisible());
    QVERIFY(prompts_.questions.isEmpty());
  }

  void chooserListsTheEngineDisksAndScansTheChosenOne() {
    FakeEngine engine;
    const QByteArray picture = redPicture();
    engine.deviceBytes.assign(4096, 0);
    engine.deviceBytes.insert(engine.deviceBytes.end(), picture.begin(), picture.end());
    engine.reports = {FoundReport{4096, static_cast<std::uint32_t>(picture.size()), "f8.png"},
                      FoundReport{0, 100, "clip.mp4"}, FoundReport{0, 10, "notes.txt"}};
    PRDiskViewController& chooser = chooseCard(engine);
    QVERIFY(chooser.isVisible());
    QCOMPARE(window().size(), QSize(849, 560));
    DiskTreeModel* model = chooser.model();
    // the machine's own disk is not offered
    QCOMPARE(model->rowCount(), 1);
    const QModelIndex card = model->index(0, 0);
    QCOMPARE(card.data().toString(), QString("/dev/fakecard (2.00G)"));
    QVERIFY(!card.data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(chooser.quickTableView()->isExpanded(card));
    QCOMPARE(model->rowCount(card), 2);
    QCOMPARE(model->index(0, 0, card).data().toString(), QString("NO NAME"));
    QCOMPARE(model->index(0, DiskTreeModel::kFileSystem, card).data().toString(), QString("vfat"));
    QCOMPARE(model->parent(model->index(1, 0, card)), card);
    QCOMPARE(model->rowCount(model->index(1, 0, card)), 0);

    chooser.quickTableView()->clearSelection();
    QVERIFY(!chooser.scanButton()->isEnabled());
    chooser.quickTableView()->setCurrentIndex(model->index(0, 0, card));
    chooser.scanButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(results().browsing(), 10000);
    QCOMPARE(engine.scannedDevice, std::string("/dev/fakecard"));
    QCOMPARE(engine.scannedPartition, 1);
    QCOMPARE(window().size(), QSize(850, 620));
    QCOMPARE(results().findChild<QLabel*>("subtitleLabel")->text(),
             QString("- Memory Card Recovery"));

    // the five card categories, from x = 191 in one row, and no backup ones
    int x = 191;
    for (ResultTable table : {ResultTable::bbImage, ResultTable::bbVideo, ResultTable::bbAudio,
                              ResultTable::bbDocument, ResultTable::bbArchive}) {
      QToolButton* button = results().categoryButton(table);
      QVERIFY(button->isVisible() && button->isEnabled());
      QCOMPARE(button->mapTo(&window(), QPoint(0, 0)).x(), x);
      x += button->width();
    }
    QVERIFY(!results().categoryButton(ResultTable::contact)->isVisible());
    QVERIFY(!results().stopButton()->isVisible());

    // the found picture is read through the engine for its preview
    QCOMPARE(results().shownTable(), ResultTable::bbImage);
    QCOMPARE(cell(results(), ResultTable::bbImage, 0, 1), QString("f8.png"));
    const QImage shown = results().previewPane(ResultTable::bbImage)->picture()->pixmap().toImage();
    QCOMPARE(shown.pixelColor(shown.rect().center()), QColor(Qt::red));
    QCOMPARE(engine.readDisks, std::vector<list_disk_struct*>{engine.disk(1)});
    results().categoryButton(ResultTable::bbVideo)->click();
    QCOMPARE(cell(results(), ResultTable::bbVideo, 0, 1), QString("clip.mp4"));
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
    } threadEnd(session_->results());
    session_->app().setScanEndListener(&threadEnd);

    FakeEngine engine;
    engine.holdScan = true;
    // reported as the engine leaves its scan, after Stop
    engine.reports = {FoundReport{0, 10, "notes.txt"}};
    chooseCard(engine).scanButton()->click();
    engine.waitUntilScanning();
    QVERIFY(results().stopButton()->isVisible());
    QVERIFY(!results().browsing());

    results().stopButton()->click();
    QCOMPARE(engine.stopCalls.load(), 1);
    QVERIFY(results().browsing());
    QVERIFY(!results().stopButton()->isVisible());
    results().categoryButton(ResultTable::bbDocument)->click();
    // the scan's own end shows the late file and leaves the category open
    QTRY_COMPARE_WITH_TIMEOUT(threadEnd.calls.load(), 1, 10000);
    session_->app().setScanEndListener(&session_->results());
    QCOMPARE(results().tableModel(ResultTable::bbDocument)->rowCount(), 1);
    QCOMPARE(results().shownTable(), ResultTable::bbDocument);
    QCOMPARE(session_->results().currentTableView(), ResultTable::bbDocument);
    QCOMPARE(session_->rawScan().lastResult(), RawScanResult::stopped);
    QVERIFY(prompts_.messages.isEmpty());
  }

  void deletedRowsAreRedAndTheBoxFiltersThem() {
    // device-backup records posted as a scan would post them
    session_->results().showView(BrowseSource::ios);
    results().showView(BrowseSource::ios);
    auto live = std::make_shared<PRContactNode>();
    live->contactName = "Ann";
    auto carved = std::make_shared<PRContactNode>();
    carved->contactName = "Bob";
    carved->contactPhone = " 555";
    session_->app().nc.postNotificationName(events::ScanContactInfo, RecordPtr(live));
    session_->app().nc.postNotificationName(events::ScanDelContactInfo, RecordPtr(carved));
    session_->results().ScanThreadFinish();
    QVERIFY(results().browsing());
    QVERIFY(results().categoryButton(ResultTable::bookMark)->isVisibleTo(&results()));

    results().categoryButton(ResultTable::contact)->click();
    RecordTableModel* model = results().tableModel(ResultTable::contact);
    QCOMPARE(model->rowCount(), 2);
    QVERIFY(!model->data(model->index(0, 1), Qt::ForegroundRole).isValid());
    QCOMPARE(model->data(model->index(1, 1), Qt::ForegroundRole).value<QColor>(),
             QColor(217, 81, 30));
    QVERIFY(results().deletedOnlyBox()->isVisibleTo(&results()));
    results().deletedOnlyBox()->click();
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(cell(results(), ResultTable::contact, 0, 1), QString("Bob"));
    QCOMPARE(lineText(results(), ResultTable::contact, "contactNamelab"), QString("Bob"));
    results().deletedOnlyBox()->click();
    QCOMPARE(model->rowCount(), 2);
  }
};

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  AppWindowTest windows;
  WidgetsTest widgets;
  int failures = QTest::qExec(&widgets, argc, argv);
  failures += QTest::qExec(&windows, argc, argv);
  return failures;
}

#include "app_window_test.moc"
