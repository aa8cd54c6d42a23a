// The main window driven through its controls, found by their names, as a user would: offscreen,
// with every message box answered by a watcher that records what it showed.

#include "analysis/csvtables.h"
#include "charts/charts.h"
#include "svgshapes.h"
#include "tempdir.h"
#include "test_config.h"
#include "ui/chartwindow.h"
#include "ui/mainform.h"
#include "ui/resultstable.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using sscm::MainForm;

const QString kFixtures = QStringLiteral(SSCM_TEST_DATA_DIR "/ui");

/// Answers every modal message box as soon as it is shown, pressing its OK button (or Yes or No
/// as `yes` says, for a question; `exit` for the question about unsaved results), and keeps what
/// each one showed.
class BoxWatcher {
public:
    struct Box {
        QString text;
        QString title;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };

    BoxWatcher() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { poll(); });
        timer_.start();
    }

    std::vector<Box> boxes;
    bool yes = true;
    QMessageBox::StandardButton exit = QMessageBox::Discard;
    /// A button of the next boxes to press by its text, when they have one; and where to save
    /// a picture of the next box (once).
    QString press;
    QString grabTo;

private:
    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        boxes.push_back({box->text(), box->windowTitle(), box->icon(), box->standardButtons()});
        if (!grabTo.isEmpty()) {
            box->grab().save(grabTo);
            grabTo.clear();
        }
        QAbstractButton* answer = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            answer = !press.isEmpty() && b->text() == press ? b : answer;
        }
        if (answer == nullptr)
            answer = box->button(QMessageBox::Ok);
        if (answer == nullptr)
            answer = box->button(yes ? QMessageBox::Yes : QMessageBox::No);
        if (answer == nullptr)
            answer = box->button(exit);
        answer->click();
    }

    QTimer timer_;
};

class MainFormTest : public sscm::test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        // The window writes beside the data: each test reads copies in its own folder, and keeps
        // its settings (the recent files) there too.
        for (const auto& f : std::filesystem::directory_iterator(kFixtures.toStdString())) {
            std::filesystem::copy_file(f.path(), dir() / f.path().filename());
        }
        std::filesystem::copy_file(SSCM_EXAMPLES_DIR "/grazing.csv", dir() / "grazing.csv");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString((dir() / "settings").string()));
        form = std::make_unique<MainForm>(here());
        form->show();
    }
    /// The test's own folder, as the window shows it.
    QString here() const { return QString::fromStdString(dir().string()); }
    void TearDown() override {
        form.reset();
        TempDirTest::TearDown();
    }

    template <class T> T* ctl(const char* name) {
        T* w = form->findChild<T*>(name);
        if (w == nullptr) {
            throw std::logic_error(std::string("no control ") + name);
        }
        return w;
    }
    void click(const char* name) { QTest::mouseClick(ctl<QAbstractButton>(name), Qt::LeftButton); }
    QString text(const char* name) { return ctl<QLineEdit>(name)->text(); }
    void type(const char* name, const QString& s) {
        QLineEdit* e = ctl<QLineEdit>(name);
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, s);
    }
    QString caption(const char* name) {
        if (auto* l = form->findChild<QLabel*>(name)) {
            return l->text();
        }
        return ctl<QAbstractButton>(name)->text();
    }
    QStringList items(const char* name) {
        QStringList out;
        const QListWidget* l = ctl<QListWidget>(name);
        for (int i = 0; i < l->count(); ++i) {
            out << l->item(i)->text();
        }
        return out;
    }
    /// Clicks an item of a list box by its text, as the user does.
    void clickItem(const char* name, const QString& item) {
        QListWidget* l = ctl<QListWidget>(name);
        const QList<QListWidgetItem*> found = l->findItems(item, Qt::MatchExactly);
        if (found.isEmpty()) {
            throw std::logic_error("no item " + item.toStdString());
        }
        l->scrollToItem(found.front());
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(found.front()).center());
    }
    void read(const QString& file) {
        type("Text7", file);
        click("Command1");
    }
    /// Assigns the three roles with List1 and the arrow buttons.
    void assignRoles(const QString& casevar, const QString& spvar, const QString& prefvar) {
        clickItem("List1", casevar);
        click("Command2");
        clickItem("List1", spvar);
        click("Command3");
        clickItem("List1", prefvar);
        click("Command7");
    }
    /// Read, roles, no removal: ready for GO.
    void prepareSmall() {
        read("small.csv");
        assignRoles("Site", "Species", "Pref");
        ctl<QCheckBox>("Check1")->setChecked(false);
    }
    void expectIdle() {
        EXPECT_TRUE(form->isVisible());
        EXPECT_FALSE(form->busy());
        EXPECT_TRUE(ctl<QPushButton>("Command1")->isEnabled());
        EXPECT_TRUE(ctl<QPushButton>("Command4")->isEnabled());
    }
    /// True when this process still holds a file of that name open.
    bool heldOpen(const std::string& name) {
        const auto target = std::filesystem::absolute(name);
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            if (std::filesystem::read_symlink(fd.path(), ec) == target) {
                return true;
            }
        }
        return false;
    }
    /// A data file of `cases` sites with `rows` observations each, over `species` species.
    void writeBigFile(const std::string& name, int cases, int rows, int species) {
        std::ofstream f(name, std::ios::binary);
        f << "Site,Species,Pref\n";
        for (int c = 0; c < cases; ++c) {
            for (int r = 0; r < rows; ++r) {
                f << "S" << c << ",sp" << (c * 7 + r * 13) % species << "," << (r * 37) % 101
                  << "\n";
            }
        }
    }

    /// Every control lies inside the window, no two controls overlap, and every caption fits
    /// its control. A label is a transparent caption, so what counts is where its text is drawn.
    void expectWholeAndApart() {
        QList<QRect> areas;
        QStringList names;
        QWidget* client = form->clientArea();
        for (QWidget* w : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!w->isVisible()) {
                continue;
            }
            SCOPED_TRACE(w->objectName().toStdString());
            EXPECT_TRUE(client->rect().contains(w->geometry()));
            const QFontMetrics fm(w->font());
            QRect area = w->geometry();
            if (auto* l = qobject_cast<const QLabel*>(w)) {
                const QRect need = fm.boundingRect(
                    l->contentsRect(), int(l->alignment()) | Qt::TextWordWrap, l->text());
                EXPECT_TRUE(l->contentsRect().contains(need))
                    << need.width() << "x" << need.height() << " in " << l->width() << "x"
                    << l->height();
                area = need.translated(l->pos());
            } else if (auto* b = qobject_cast<const QAbstractButton*>(w)) {
                const int indicator = qobject_cast<const QCheckBox*>(w) != nullptr ? 20 : 4;
                EXPECT_LE(fm.horizontalAdvance(b->text()) + indicator, b->width());
                EXPECT_LE(fm.height(), b->height());
            } else if (auto* e = qobject_cast<const QLineEdit*>(w)) {
                EXPECT_LE(fm.height(), e->height() - 2);
            }
            for (qsizetype j = 0; j < areas.size(); ++j) {
                EXPECT_FALSE(area.intersects(areas[j])) << "overlaps " << names[j].toStdString();
            }
            areas << area;
            names << w->objectName();
        }
        EXPECT_GE(areas.size(), 36);
    }

    BoxWatcher watcher;
    std::unique_ptr<MainForm> form;
};

TEST_F(MainFormTest, StartsWithTheDefaultsAndEmptyLabels) {
    EXPECT_EQ(form->windowTitle(), "Species-to-species comparison matrix method");
    // The client area at its design size, whole, between the menu bar and the status line.
    EXPECT_EQ(form->clientArea()->size(), QSize(729, 487));
    EXPECT_EQ(form->size(), form->minimumSize());
    auto* menu = ctl<QMenuBar>("MenuBar");
    EXPECT_EQ(menu->geometry().bottom() + 1, form->clientArea()->y());
    EXPECT_EQ(form->clientArea()->geometry().bottom() + 1, ctl<QStatusBar>("StatusLine")->y());
    EXPECT_EQ(form->height(), ctl<QStatusBar>("StatusLine")->geometry().bottom() + 1);

    EXPECT_EQ(text("Text7"), "file_name.csv");
    EXPECT_EQ(text("Text1"), "");
    EXPECT_EQ(text("Text2"), "");
    EXPECT_EQ(text("Text4"), "");
    EXPECT_EQ(text("Text3"), "palatability.csv");
    EXPECT_EQ(text("Text6"), "");
    EXPECT_EQ(text("Text5"), "4");
    EXPECT_TRUE(ctl<QCheckBox>("Check1")->isChecked());
    EXPECT_EQ(ctl<QCheckBox>("Check1")->text(), "Remove low-occurence species ");
    EXPECT_TRUE(items("List1").isEmpty());
    EXPECT_TRUE(items("List3").isEmpty());
    EXPECT_EQ(caption("Label11"), "");
    EXPECT_EQ(caption("Label14"), "");
    EXPECT_EQ(caption("Label18"), "");

    EXPECT_EQ(caption("Command1"), "Read");
    EXPECT_EQ(caption("Command4"), "G O");
    EXPECT_EQ(caption("Command5"), "Exit");
    EXPECT_EQ(caption("Command6"), "Save results");
    for (const char* arrow : {"Command2", "Command3", "Command7"}) {
        EXPECT_EQ(caption(arrow), QString(QChar(0x2192))) << arrow;
    }
    EXPECT_EQ(caption("Label13"), "May 2003, reviced May 29, 2010");
    EXPECT_TRUE(caption("Label16").startsWith("The preference to plant species within each case"));
    EXPECT_TRUE(caption("Label16").contains("comma-separated"));
    EXPECT_TRUE(
        caption("Label16").endsWith(" Please cite the publication that describes the method."));

    // The file lists start in the folder given to the window.
    EXPECT_EQ(form->dirPath(), here());
    EXPECT_TRUE(items("File1").contains("small.csv"));
    EXPECT_EQ(std::filesystem::current_path(), dir());
}

TEST_F(MainFormTest, TabVisitsTheControlsInOrder) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    ctl<QWidget>("Drive1")->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 19; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    const QStringList expected{"Drive1",   "Dir1",     "File1",    "Command1", "Text7",
                               "List1",    "List3",    "Command2", "Command3", "Command4",
                               "Command5", "Command6", "Text3",    "Text1",    "Text2",
                               "Text4",    "Command7", "Check1",   "Text5",    "Text6"};
    EXPECT_EQ(visited, expected);
}

TEST_F(MainFormTest, BrowsingPicksTheDataFileWithoutChangingTheWorkingDirectory) {
    std::filesystem::create_directories("data/sub");
    writeFile("data/plots.csv", "Site,Species,Pref\nS1,A,1\n");
    writeFile("data/notes.txt", "not data\n");
    writeFile("data/sub/inner.csv", "Plot,Plant,Bites\nP1,A,1\n");
    ASSERT_TRUE(form->setDirPath(QString::fromStdString((dir() / "data").string())));
    EXPECT_EQ(items("File1"), QStringList{"plots.csv"});

    clickItem("File1", "plots.csv");
    EXPECT_EQ(text("Text7"), "plots.csv");

    // Opening the subfolder by double click lists its files and leaves the file name alone.
    auto* dir1 = ctl<QTreeWidget>("Dir1");
    const QList<QTreeWidgetItem*> sub =
        dir1->findItems("sub", Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(sub.size(), 1);
    dir1->scrollToItem(sub.front());
    const QPoint at = dir1->visualItemRect(sub.front()).center();
    QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(form->dirPath().toStdString(), (dir() / "data" / "sub").string());
    EXPECT_EQ(items("File1"), QStringList{"inner.csv"});
    EXPECT_EQ(text("Text7"), "plots.csv");
    EXPECT_EQ(std::filesystem::current_path(), dir());

    // A Read now looks for the old name in the new folder, and says so.
    click("Command1");
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_TRUE(watcher.boxes[0].text.contains("sub/plots.csv"))
        << watcher.boxes[0].text.toStdString();

    clickItem("File1", "inner.csv");
    click("Command1");
    EXPECT_EQ(items("List1"), (QStringList{"Plot", "Plant", "Bites"}));
    EXPECT_EQ(text("Text3"), "palatability_inner.csv");
    EXPECT_EQ(text("Text6"), "log_inner.csv");
    EXPECT_EQ(watcher.boxes.size(), 1u);
}

TEST_F(MainFormTest, ADriveThatIsNotReadyLeavesTheListsWhereTheyWere) {
    auto* drive = ctl<QComboBox>("Drive1");
    const int before = drive->currentIndex();
    const QStringList files = items("File1");
    drive->addItem("/media/sscm-no-medium", "/media/sscm-no-medium");
    drive->setCurrentIndex(drive->count() - 1);
    emit drive->activated(drive->count() - 1);

    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_TRUE(watcher.boxes[0].text.contains("/media/sscm-no-medium"));
    EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::Warning);
    EXPECT_EQ(drive->currentIndex(), before);
    EXPECT_EQ(form->dirPath(), here());
    EXPECT_EQ(items("File1"), files);
}

TEST_F(MainFormTest, ArrowButtonsCopyTheSelectedVariable) {
    read("small.csv");
    ASSERT_EQ(items("List1"), (QStringList{"Site", "Species", "Pref"}));

    // Nothing selected: nothing happens.
    click("Command2");
    click("Command3");
    click("Command7");
    EXPECT_EQ(text("Text1"), "");
    EXPECT_EQ(text("Text2"), "");
    EXPECT_EQ(text("Text4"), "");

    // One variable may take every role.
    clickItem("List1", "Species");
    click("Command3");
    EXPECT_EQ(text("Text2"), "Species");
    click("Command2");
    click("Command7");
    EXPECT_EQ(text("Text1"), "Species");
    EXPECT_EQ(text("Text4"), "Species");
    EXPECT_TRUE(watcher.boxes.empty());
}

TEST_F(MainFormTest, ReadRolesGoAndSaveWriteTheResultFile) {
    prepareSmall();
    EXPECT_EQ(caption("Command1"), "Read file");
    EXPECT_EQ(caption("Label18"), "100% finished");
    EXPECT_EQ(text("Text3"), "palatability_small.csv");
    EXPECT_EQ(text("Text6"), "log_small.csv");

    // Saving right after a Read writes an empty file: Read cleared the result list.
    click("Command6");
    ASSERT_TRUE(exists("palatability_small.csv"));
    EXPECT_EQ(readFile("palatability_small.csv"), "");

    click("Command4");
    EXPECT_EQ(caption("Command4"), "GO");
    EXPECT_EQ(caption("Label11"), "100% finished");
    EXPECT_FALSE(exists("temp5.tmp"));
    EXPECT_FALSE(heldOpen("log_small.csv"));
    click("Command6");

    const std::string expected = readFile(SSCM_TEST_DATA_DIR "/ui/small_expected.csv");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(readFile("palatability_small.csv"), expected);
    EXPECT_TRUE(watcher.boxes.empty());
    expectIdle();
}

TEST_F(MainFormTest, GoTwiceWithoutReadAppendsTheSecondListing) {
    prepareSmall();
    click("Command4");
    click("Command4");
    click("Command6");
    const std::string once = readFile(SSCM_TEST_DATA_DIR "/ui/small_expected.csv");
    EXPECT_EQ(readFile("palatability_small.csv"), once + once);
    EXPECT_EQ(items("List3").size(), 16);
}

TEST_F(MainFormTest, FieldSpreadsheetsBlankCellsSemicolonsAndRanks) {
    // A blank species: the row is left out, said in a box the first time and in the status line.
    std::filesystem::create_directories("data");
    writeFile("data/blank.csv", "Site,Species,Pref\nS1,A,5\nS1,,4\nS1,B,2\nS2,B,1\nS2,A,3\n");
    writeFile("data/semi.csv", "Site;Species;Pref\nS1;A;5\nS1;B;2,5\nS2;B;1\nS2;A;3\n");
    ASSERT_TRUE(form->setDirPath(QString::fromStdString((dir() / "data").string())));
    read("blank.csv");
    assignRoles("Site", "Species", "Pref");
    ctl<QCheckBox>("Check1")->setChecked(false);
    click("Command4");
    const QString left = "1 data row was left out: its case, species or intensity is missing "
                         "(line 3 (data row 2)).";
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, left);
    EXPECT_EQ(form->statusText(), left);
    EXPECT_TRUE(items("List3").back().startsWith("B,  .4999")) << "A is above B in both cases";
    click("Command4");
    EXPECT_EQ(watcher.boxes.size(), 1u) << "the box comes once";
    EXPECT_EQ(form->statusText(), left);

    // Ranks: the order turns round.
    form->findChild<QAction*>("actionLowerIsPreferred")->trigger();
    click("Command4");
    EXPECT_TRUE(items("List3").back().startsWith("A,  .5"));
    form->findChild<QAction*>("actionLowerIsPreferred")->trigger();

    // A semicolon file: the message and the offer; declined, nothing is read; accepted, the file
    // is read with semicolons and decimal commas, and comma files are read as before after it.
    watcher.yes = false;
    read("semi.csv");
    ASSERT_EQ(watcher.boxes.size(), 2u);
    EXPECT_TRUE(watcher.boxes[1].text.contains("separated by semicolons"));
    EXPECT_TRUE(watcher.boxes[1].text.contains("Read it now with the semicolon as separator"));
    EXPECT_EQ(watcher.boxes[1].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(items("List1").isEmpty());
    watcher.yes = true;
    read("semi.csv");
    ASSERT_EQ(watcher.boxes.size(), 3u);
    EXPECT_EQ(items("List1"), (QStringList{"Site", "Species", "Pref"}));
    click("Command4");
    EXPECT_TRUE(items("List3").back().startsWith("B,  .4999"));
    read("blank.csv");
    EXPECT_EQ(items("List1"), (QStringList{"Site", "Species", "Pref"}));
    EXPECT_EQ(watcher.boxes.size(), 3u);
}

TEST_F(MainFormTest, ReadFailuresAreMessagesAndReadStaysUsable) {
    read("missing.csv");
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_TRUE(watcher.boxes[0].text.contains("missing.csv"));
    EXPECT_EQ(watcher.boxes[0].title, sscm::kErrorTitle);
    EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::Warning);
    EXPECT_EQ(watcher.boxes[0].buttons, QMessageBox::Ok);
    EXPECT_TRUE(items("List1").isEmpty());
    EXPECT_EQ(caption("Command1"), "Read");
    expectIdle();

    read("novariable.csv");
    ASSERT_EQ(watcher.boxes.size(), 2u);
    EXPECT_EQ(watcher.boxes[1].text, "At least one variable ");
    EXPECT_EQ(watcher.boxes[1].title, "  ");
    expectIdle();

    // A good file still reads afterwards.
    read("small.csv");
    EXPECT_EQ(items("List1").size(), 3);
    EXPECT_EQ(watcher.boxes.size(), 2u);
}

TEST_F(MainFormTest, GoFailuresAreMessagesAndGoStaysUsable) {
    struct Case {
        const char* what;
        std::function<void()> prepare;
        const char* says;
        const char* title;
    };
    const std::vector<Case> cases = {
        {"no table", [] {}, "No data file has been read", sscm::kErrorTitle},
        {"empty role",
         [&] {
             read("small.csv");
             clickItem("List1", "Site");
             click("Command2");
         },
         "plant species", sscm::kErrorTitle},
        {"name not found",
         [&] {
             assignRoles("Site", "Species", "Pref");
             type("Text2", "species");
         },
         "\"species\"", sscm::kErrorTitle},
        {"every species rare", [&] { type("Text2", "Species"); }, "All ", sscm::kErrorTitle},
        {"bad threshold", [&] { type("Text5", "four"); }, "four", sscm::kErrorTitle},
        {"log cannot be opened",
         [&] {
             type("Text5", "0");
             type("Text6", "no-such-folder/log.csv");
         },
         "no-such-folder/log.csv", sscm::kErrorTitle},
        {"intensity not a number",
         [&] {
             type("Text6", "log.csv");
             read("badpref.csv");
             assignRoles("Site", "Species", "Pref");
         },
         "lots", sscm::kErrorTitle},
        {"split network",
         [&] {
             read("split.csv");
             assignRoles("Site", "Species", "Pref");
         },
         "No common species between cases", "Split network"},
    };
    std::size_t seen = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        const QStringList before = items("List3");
        const std::size_t boxesBefore = watcher.boxes.size();
        click("Command4");
        ASSERT_EQ(watcher.boxes.size(), boxesBefore + 1);
        const BoxWatcher::Box& box = watcher.boxes.back();
        EXPECT_TRUE(box.text.contains(c.says)) << box.text.toStdString();
        EXPECT_EQ(box.title, c.title);
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_EQ(box.buttons, QMessageBox::Ok);
        EXPECT_EQ(caption("Command4"), "GO");
        EXPECT_FALSE(exists("temp5.tmp"));
        // Only the occurrence listing of a run that got that far is added; nothing is lost.
        EXPECT_EQ(items("List3").mid(0, before.size()), before);
        expectIdle();
        ++seen;
    }
    EXPECT_EQ(seen, cases.size());
}

TEST_F(MainFormTest, SaveToAFileThatCannotBeWrittenNamesItAndKeepsTheList) {
    prepareSmall();
    click("Command4");
    const QStringList before = items("List3");
    for (const char* name : {"no-such-folder/out.csv", ""}) {
        SCOPED_TRACE(name);
        const std::size_t boxesBefore = watcher.boxes.size();
        type("Text3", name);
        click("Command6");
        ASSERT_EQ(watcher.boxes.size(), boxesBefore + 1);
        // Named as written: in the data file's folder.
        const QString path = *name == '\0' ? QString() : QDir(here()).filePath(name);
        EXPECT_TRUE(watcher.boxes.back().text.contains("\"" + path + "\""));
        // The reason follows the name.
        EXPECT_GT(watcher.boxes.back().text.size(), QString(name).size() + 30);
        EXPECT_EQ(items("List3"), before);
    }
    std::filesystem::create_directory("a-folder");
    type("Text3", "a-folder");
    click("Command6");
    EXPECT_TRUE(watcher.boxes.back().text.contains("a-folder\" is a folder"));
    expectIdle();
}

TEST_F(MainFormTest, NamesThatAreNotUtf8ReadBackByteForByte) {
    // A Latin-1 header and species, as older spreadsheets write them.
    writeFile("latin1.csv", "Site,Esp\xe8"
                            "ce,Pref\nS1,\xc9rable,5\nS1,Ch\xeane,2\n");
    ASSERT_TRUE(form->setDirPath(QString::fromStdString(dir().string())));
    ctl<QCheckBox>("Check1")->setChecked(false);
    read("latin1.csv");
    ASSERT_EQ(items("List1").size(), 3);
    assignRoles("Site", items("List1")[1], "Pref");
    click("Command4");
    EXPECT_TRUE(watcher.boxes.empty());
    click("Command6");
    const std::string saved = readFile("palatability_latin1.csv");
    EXPECT_NE(saved.find("\xc9rable,  "), std::string::npos);
    EXPECT_NE(saved.find("Ch\xeane,  "), std::string::npos);
}

TEST_F(MainFormTest, OneDataSetShowsAllItsNamesInOneEncoding) {
    // The header alone is UTF-8 and one species alone is CP932 (ススキ), but "Caf\xe9" makes
    // the data set Latin-1: every name is shown, and recorded in run.json, as Latin-1.
    const std::string susuki = "\x83\x58\x83\x58\x83\x4c";
    writeFile("mixed.csv", "Fl\xe4"
                           "che,Esp\xc3\xa8"
                           "ce,Pref\nS1,Caf\xe9,5\nS1," +
                               susuki + ",2\nS1,Poa,1\nS2,Caf\xe9,4\nS2,Poa,2\n");
    ASSERT_TRUE(form->setDirPath(QString::fromStdString(dir().string())));
    ctl<QCheckBox>("Check1")->setChecked(false);
    read("mixed.csv");
    const QString flaeche = QString::fromUtf8("Fl\u00e4che");
    const QString espece = QString::fromUtf8("Esp\u00c3\u00a8ce");
    EXPECT_EQ(items("List1"), (QStringList{flaeche, espece, "Pref"}));
    assignRoles(flaeche, espece, "Pref");
    EXPECT_EQ(text("Text2"), espece);
    EXPECT_EQ(form->text(sscm::Ctl::Text2), "Esp\xc3\xa8"
                                            "ce");
    click("Command4");
    ASSERT_TRUE(watcher.boxes.empty()) << watcher.boxes[0].text.toStdString();
    const QStringList lines = items("List3");
    EXPECT_FALSE(lines.filter(QString::fromUtf8("Caf\u00e9,  ")).isEmpty());
    EXPECT_FALSE(lines.filter(QString::fromUtf8("\u0083X\u0083X\u0083L,  ")).isEmpty());
    click("Command6");
    const std::string saved = readFile("palatability_mixed.csv");
    EXPECT_NE(saved.find("\nCaf\xe9,  "), std::string::npos);
    EXPECT_NE(saved.find("\n" + susuki + ",  "), std::string::npos);

    QString error;
    ASSERT_TRUE(form->exportTablesTo("mixed-out", &error)) << error.toStdString();
    const std::string record = readFile("mixed-out/run.json");
    EXPECT_NE(record.find("\"name_encoding\": \"latin1\""), std::string::npos);
    EXPECT_NE(record.find("\"case\": \"Fl\xc3\xa4"
                          "che\""),
              std::string::npos);
    EXPECT_NE(record.find("\"species\": \"Esp\xc3\x83\xc2\xa8"
                          "ce\""),
              std::string::npos);
}

TEST_F(MainFormTest, GoWhileReadingUsesThePreviousTable) {
    prepareSmall();
    writeBigFile("big.csv", 400, 50, 60);
    ASSERT_TRUE(form->setDirPath(QString::fromStdString(dir().string())));
    type("Text7", "big.csv");
    // GO is clicked at the Read's first event processing, and runs to its end inside it.
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(form->busy());
        EXPECT_FALSE(ctl<QPushButton>("Command1")->isEnabled());
        click("Command4");
    });
    click("Command1");
    EXPECT_EQ(items("List1"), (QStringList{"Site", "Species", "Pref"}));
    ASSERT_NE(form->session().table, nullptr);
    EXPECT_EQ(form->session().table->objn, 400 * 50);
    // The listing is that of the small table read before.
    click("Command6");
    EXPECT_EQ(readFile("palatability_big.csv"),
              readFile(SSCM_TEST_DATA_DIR "/ui/small_expected.csv"));
    EXPECT_TRUE(watcher.boxes.empty());
    expectIdle();
}

TEST_F(MainFormTest, ReadWhileGoRunsLeavesTheRunItsTable) {
    writeBigFile("big.csv", 400, 50, 60);
    ASSERT_TRUE(form->setDirPath(QString::fromStdString(dir().string())));
    ctl<QCheckBox>("Check1")->setChecked(false);
    read("big.csv");
    assignRoles("Site", "Species", "Pref");
    writeFile("small.csv", readFile(SSCM_TEST_DATA_DIR "/ui/small.csv"));
    type("Text7", "small.csv");
    QTimer::singleShot(0, [&] {
        EXPECT_FALSE(ctl<QPushButton>("Command4")->isEnabled());
        click("Command1");
    });
    click("Command4");
    EXPECT_TRUE(watcher.boxes.empty());
    EXPECT_EQ(caption("Command4"), "GO");
    EXPECT_EQ(caption("Label11"), "100% finished");
    EXPECT_EQ(form->session().table->objn, 4);
    // The run listed its 60 species, after the Read cleared the result list.
    const QStringList lines = items("List3");
    ASSERT_GE(lines.size(), 62);
    EXPECT_EQ(lines[lines.size() - 61], "Eigen vector (palatability)");
    expectIdle();
}

TEST_F(MainFormTest, ExitDuringReadStopsItAndClosesTheWindow) {
    writeBigFile("big.csv", 2000, 50, 60);
    ASSERT_TRUE(form->setDirPath(QString::fromStdString(dir().string())));
    QTimer::singleShot(0, [&] { click("Command5"); });
    read("big.csv");
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->busy());
    EXPECT_EQ(form->session().table, nullptr);
    EXPECT_FALSE(exists("temp1.tmp"));
    EXPECT_TRUE(watcher.boxes.empty());
}

TEST_F(MainFormTest, LeavingDuringGoStopsTheRunCleansUpAndThenCloses) {
    writeBigFile("big.csv", 2000, 50, 60);
    ASSERT_TRUE(form->setDirPath(QString::fromStdString(dir().string())));
    ctl<QCheckBox>("Check1")->setChecked(false);
    read("big.csv");
    assignRoles("Site", "Species", "Pref");
    // By the Exit button, then by the window's own close: both wait for the run to stop.
    const std::vector<std::function<bool()>> ways = {
        [&] {
            click("Command5");
            return !form->isVisible();
        },
        [&] { return form->close(); },
    };
    for (const auto& leave : ways) {
        form->show();
        bool closedAtOnce = true;
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(form->busy());
            closedAtOnce = leave();
        });
        click("Command4");
        EXPECT_FALSE(closedAtOnce);
        EXPECT_FALSE(form->isVisible());
        EXPECT_FALSE(items("List3").contains("Eigen vector (palatability)"));
        EXPECT_FALSE(exists("temp5.tmp"));
        EXPECT_TRUE(exists("log_big.csv"));
        EXPECT_FALSE(heldOpen("log_big.csv"));
        EXPECT_TRUE(watcher.boxes.empty());
    }
}

TEST_F(MainFormTest, StatusLabelsHoldTheirLongestTexts) {
    const std::vector<std::pair<sscm::Ctl, const char*>> texts = {
        {sscm::Ctl::Label18, " 100 %"},
        {sscm::Ctl::Label18, "100% finished"},
        {sscm::Ctl::Label11, "Making matrix"},
        {sscm::Ctl::Label11, "connectivity 1000"},
        {sscm::Ctl::Label11, "Eigen vector 10000"},
        {sscm::Ctl::Label11, "100% finished"},
        {sscm::Ctl::Label11, "Too many categories"},
        {sscm::Ctl::Label11, "Stopped"},
        {sscm::Ctl::Label11, "Intervals 100 %"},
        {sscm::Ctl::Label11, "Intervals stopped"},
        {sscm::Ctl::Label11, "Intervals dropped"},
        {sscm::Ctl::Label18, "Stopped"},
        {sscm::Ctl::Label14, " .001234"},
        {sscm::Ctl::Command1, "reading"},
        {sscm::Ctl::Command1, "Read file"},
        {sscm::Ctl::Command4, "Working"},
    };
    for (const auto& [c, t] : texts) {
        SCOPED_TRACE(t);
        form->setCaption(c, t);
        EXPECT_EQ(caption(sscm::ctlName(c)), t);
        expectWholeAndApart();
    }
}

TEST_F(MainFormTest, ALongResultLineScrollsToItsEndAndSavesWhole) {
    // An occurrence line of a data set with thousands of cases.
    std::string line = "Festuca ovina";
    for (int c = 0; c < 6000; ++c) {
        line += c % 3 == 0 ? ",  1" : ",  0";
    }
    line += ",  2000";
    form->addItem(sscm::Ctl::List3, line);
    form->addItem(sscm::Ctl::List3, "Eigen vector (palatability)");
    auto* list = ctl<QListWidget>("List3");
    QApplication::processEvents();
    list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
    // The first paint measures the line, whose size then follows the measure.
    list->viewport()->grab();
    QApplication::processEvents();
    const int extent = list->horizontalScrollBar()->maximum() + list->viewport()->width();
    const int width = QFontMetrics(list->font()).horizontalAdvance(QString::fromStdString(line));
    EXPECT_NEAR(extent, width, 12);

    // Scrolled to the end, the end of the line is drawn at the right of the list.
    list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
    const QImage shot = list->viewport()->grab().toImage();
    const QRect row = list->visualItemRect(list->item(0)).intersected(list->viewport()->rect());
    int ink = 0;
    for (int x = row.right() - 60; x <= row.right(); ++x) {
        for (int y = row.top(); y <= row.bottom(); ++y) {
            ink += qGray(shot.pixel(x, y)) < 128 ? 1 : 0;
        }
    }
    EXPECT_GT(ink, 20);

    EXPECT_EQ(form->item(sscm::Ctl::List3, 0), line);
    type("Text3", "out.csv");
    click("Command6");
    EXPECT_EQ(readFile("out.csv"), line + "\r\nEigen vector (palatability)\r\n");
}

TEST_F(MainFormTest, EventProcessingIsCheapEnoughForTensOfMillionsOfCalls) {
    const auto start = std::chrono::steady_clock::now();
    bool open = true;
    for (int i = 0; i < 20'000'000; ++i) {
        open = form->processEvents() && open;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(open);
    // Pumping Qt on every call costs microseconds each, a minute for this loop.
    EXPECT_LT(seconds, 2.0);
}

TEST_F(MainFormTest, ScreenshotAfterARunShowsEveryControlWhole) {
    clickItem("File1", "grazing.csv");
    click("Command1");
    assignRoles("Site", "Species", "Pref");
    click("Command4");
    ASSERT_TRUE(watcher.boxes.empty()) << watcher.boxes[0].text.toStdString();
    ASSERT_EQ(caption("Label11"), "100% finished");

    expectWholeAndApart();
    // The description scrolls within its band; its first sentence is on view.
    auto* description = ctl<QScrollArea>("Label16Area");
    const int line = QFontMetrics(ctl<QLabel>("Label16")->font()).lineSpacing();
    EXPECT_GE(description->viewport()->height(), 4 * line);
    EXPECT_EQ(description->viewport()->height() % line, 0);

    const QString file = SSCM_SCREENSHOT_FILE;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
    ASSERT_TRUE(form->grab().save(file));
}

// --- Menu bar, chart windows, intervals ---------------------------------------------------------

/// Runs the event loop until `done` holds or `ms` have passed; true when it holds.
bool waitUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

QString screenshotDir() {
    return QFileInfo(SSCM_SCREENSHOT_FILE).absolutePath();
}

class WindowTest : public MainFormTest {
protected:
    /// Read, roles and GO on the example data set.
    void runExample() {
        ASSERT_TRUE(form->setDirPath(here()));
        clickItem("File1", "grazing.csv");
        click("Command1");
        assignRoles("Site", "Species", "Pref");
        const std::size_t boxes = watcher.boxes.size();
        click("Command4");
        ASSERT_EQ(watcher.boxes.size(), boxes) << watcher.boxes.back().text.toStdString();
        ASSERT_NE(form->session().lastResult, nullptr);
    }
    QAction* action(const char* name) { return ctl<QAction>(name); }
    /// The texts of a menu's entries, separators left out.
    QStringList menuEntries(const QString& title) {
        for (QAction* a : ctl<QMenuBar>("MenuBar")->actions()) {
            if (a->text().remove('&') == title && a->menu() != nullptr) {
                QStringList out;
                for (QAction* e : a->menu()->actions()) {
                    if (!e->isSeparator()) {
                        out << e->text();
                    }
                }
                return out;
            }
        }
        return {};
    }
};

TEST_F(WindowTest, MenuBarHoldsTheCommandsAboveTheUnchangedClientArea) {
    QStringList titles;
    for (QAction* a : ctl<QMenuBar>("MenuBar")->actions()) {
        titles << a->text().remove('&');
    }
    EXPECT_EQ(titles, (QStringList{"File", "Analysis", "View", "Help"}));
    const QString dots = QString(QChar(0x2026));
    EXPECT_EQ(menuEntries("File"),
              (QStringList{"Open data file" + dots, "Recent files", "Open folder" + dots,
                           "Save results", "Export spectrum table" + dots, "Export chart" + dots,
                           "Export tables" + dots, "Exit"}));
    EXPECT_EQ(menuEntries("Analysis"),
              (QStringList{"GO", "Confidence intervals" + dots, "Stop confidence intervals",
                           QString::fromUtf8("Model-based ranking (Bradley\u2013Terry)"),
                           "Copy results", "Lower intensities are preferred (ranks)"}));
    EXPECT_EQ(menuEntries("View"),
              (QStringList{"Spectrum chart", "Comparison matrix", "Results table"}));
    EXPECT_EQ(menuEntries("Help"), (QStringList{"Data format", "Describe this run", "About"}));
    // The numbered controls keep their design places within the client area.
    EXPECT_EQ(ctl<QWidget>("Command4")->geometry(), QRect(168, 448, 113, 33));
    EXPECT_EQ(ctl<QWidget>("List3")->parentWidget(), form->clientArea());

    // The menu's GO and Save results are the buttons' commands.
    prepareSmall();
    action("actionGo")->trigger();
    EXPECT_EQ(caption("Label11"), "100% finished");
    action("actionSaveResults")->trigger();
    EXPECT_EQ(readFile("palatability_small.csv"),
              readFile(SSCM_TEST_DATA_DIR "/ui/small_expected.csv"));
    EXPECT_TRUE(watcher.boxes.empty());
}

TEST_F(WindowTest, ConfidenceIntervalsShowTheirProgressWhileTheWindowStaysUsableAndCanBeStopped) {
    EXPECT_FALSE(form->startBootstrap({}));
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_TRUE(watcher.boxes[0].text.contains("GO"));

    // Run through, on a set large enough to take a while: progress shows, the window answers
    // meanwhile, the charts take the whiskers.
    writeBigFile("big.csv", 600, 30, 50);
    ASSERT_TRUE(form->setDirPath(QString::fromStdString(dir().string())));
    ctl<QCheckBox>("Check1")->setChecked(false);
    read("big.csv");
    assignRoles("Site", "Species", "Pref");
    click("Command4");
    ASSERT_EQ(caption("Label11"), "100% finished");
    sscm::ChartWindow* spectrum = form->openChart(sscm::ChartKind::Spectrum);
    QElapsedTimer clock;
    clock.start();
    qint64 longestGap = 0;
    qint64 last = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(10);
    // Through the menu: the dialog asks for the replicates, the seed and the level.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), "IntervalsDialog");
        dialog->findChild<QSpinBox*>("Replicates")->setValue(2000);
        dialog->findChild<QSpinBox*>("Seed")->setValue(7);
        dialog->findChild<QDoubleSpinBox*>("Level")->setValue(0.9);
        dialog->accept();
    });
    action("actionIntervals")->trigger();
    const qint64 started = clock.elapsed();
    ASSERT_TRUE(form->bootstrapRunning());
    EXPECT_TRUE(caption("Label11").startsWith("Intervals"));
    EXPECT_TRUE(caption("Label11").endsWith(" %"));
    ASSERT_TRUE(waitUntil([&] { return !form->bootstrapRunning(); }, 120000));
    tick.stop();
    // The window's timer kept running all along a bootstrap that took longer than any gap.
    const qint64 took = clock.elapsed() - started;
    EXPECT_LT(longestGap, 250);
    EXPECT_GT(took, longestGap);
    std::printf("Intervals of 2000 replicates: %lld ms, longest pause of the window %lld ms\n",
                static_cast<long long>(took), static_cast<long long>(longestGap));
    EXPECT_EQ(caption("Label11"), "Intervals ready");
    ASSERT_NE(form->session().lastIntervals, nullptr);
    EXPECT_TRUE(form->statusText().startsWith("Confidence intervals from "))
        << form->statusText().toStdString();
    const sscm::BootstrapResult& b = *form->session().lastIntervals;
    EXPECT_EQ(b.settings.replicates, 2000);
    EXPECT_EQ(b.settings.seed, 7u);
    EXPECT_EQ(b.settings.level, 0.9);
    EXPECT_EQ(b.valueLo.size(), form->session().lastResult->spname.size());
    ASSERT_TRUE(spectrum->saveTo("whiskers.svg", nullptr));
    int whiskers = 0;
    for (const auto& l : sscm::test::SvgShapes::read("whiskers.svg").lines) {
        whiskers += l.stroke == QColor(0x3b, 0x6e, 0xa8) ? 1 : 0;
    }
    EXPECT_GE(whiskers, int(b.valueLo.size()));

    // The spectrum table holds the intervals.
    QString error;
    ASSERT_TRUE(form->exportSpectrumTable("spectrum.csv", &error)) << error.toStdString();
    EXPECT_EQ(readFile("spectrum.csv"), sscm::spectrumTable(*form->session().lastResult, &b));
    EXPECT_TRUE(form->statusText().contains(QDir::current().absoluteFilePath("spectrum.csv")));

    // A new run drops the intervals of the old one, and the status line its word on them.
    click("Command4");
    EXPECT_EQ(form->session().lastIntervals, nullptr);
    EXPECT_EQ(form->statusText(), "");

    // Many replicates: a progress dialog that leaves the window usable, with the time left and
    // Cancel, which leaves no intervals.
    sscm::BootstrapSettings many;
    many.replicates = 100000;
    ASSERT_TRUE(form->startBootstrap(many));
    QPointer<QProgressDialog> progress = form->findChild<QProgressDialog*>("IntervalsProgress");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->windowModality(), Qt::NonModal);
    // Seconds or minutes left, as fast as the machine is.
    ASSERT_TRUE(waitUntil([&] { return progress->labelText().contains("done, about "); }));
    EXPECT_TRUE(progress->labelText().contains(" of 100000 replicates done, about "))
        << progress->labelText().toStdString();
    EXPECT_GT(progress->value(), 0);
    ASSERT_TRUE(QDir().mkpath(screenshotDir()));
    ASSERT_TRUE(progress->grab().save(screenshotDir() + "/intervals-progress.png"));

    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !form->bootstrapRunning() && progress.isNull(); }));
    EXPECT_EQ(caption("Label11"), "Intervals stopped");
    EXPECT_EQ(form->session().lastIntervals, nullptr);

    // GO and Read during a bootstrap stop it first, and say so.
    ASSERT_TRUE(form->startBootstrap(many));
    click("Command4");
    EXPECT_FALSE(form->bootstrapRunning());
    EXPECT_EQ(form->statusText(), "Confidence intervals stopped: GO started");
    ASSERT_TRUE(form->startBootstrap(many));
    read("small.csv");
    EXPECT_FALSE(form->bootstrapRunning());
    EXPECT_TRUE(form->statusText().startsWith("Confidence intervals stopped: Read started; "))
        << form->statusText().toStdString();
    EXPECT_EQ(watcher.boxes.size(), 1u);
}

// Analysis > Model-based ranking: the finished run is fitted at once and every later run too;
// the agreement shows in the status bar and poor agreement in a box, the result list stays as
// it was, and the spectrum table and the intervals take the model's columns.
TEST_F(WindowTest, ModelRankingShowsItsAgreementBesideTheUnchangedList) {
    runExample();
    const QStringList lines = items("List3");
    QAction* model = action("actionModelRanking");
    ASSERT_TRUE(model->isCheckable());
    model->setChecked(true);
    ASSERT_NE(form->session().lastModel, nullptr);
    EXPECT_TRUE(form->statusText().contains("Spearman 0.9882")) << form->statusText().toStdString();
    EXPECT_EQ(items("List3"), lines);
    EXPECT_TRUE(watcher.boxes.empty());
    ASSERT_TRUE(form->startBootstrap({}));
    ASSERT_TRUE(waitUntil([&] { return !form->bootstrapRunning(); }, 60000));
    ASSERT_NE(form->session().lastIntervals, nullptr);
    EXPECT_EQ(form->session().lastIntervals->btLo.size(), 16u);
    QString error;
    ASSERT_TRUE(form->exportSpectrumTable("spectrum.csv", &error)) << error.toStdString();
    EXPECT_NE(readFile("spectrum.csv").find(",bt_ability,bt_rank,bt_lo,bt_hi,bt_rank_lo,"),
              std::string::npos);

    // Two regions that share two species: the warning in words.
    std::filesystem::copy_file(SSCM_GENERATED_DATA_DIR "/two_regions.csv", "two_regions.csv");
    ASSERT_TRUE(form->setDirPath(QString::fromStdString(dir().string())));
    read("two_regions.csv");
    assignRoles("Site", "Species", "Pref");
    click("Command4");
    EXPECT_EQ(form->session().lastIntervals, nullptr);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_TRUE(watcher.boxes[0].text.contains("the spectrum may misorder them"));
    EXPECT_TRUE(watcher.boxes[0].text.contains("never beating outside: Species 9, "));
    EXPECT_TRUE(form->statusText().contains("Spearman 0.937"));

    model->setChecked(false);
    EXPECT_EQ(form->session().lastModel, nullptr);
}

// --- The tutorial ------------------------------------------------------------------------------

// The README's tutorial as a newcomer clicks through it on the example data, a screenshot after
// each step: open the file, put three variables in their boxes with the arrows, GO, confidence
// intervals and the spectrum chart, and the paragraph for a paper. The documents' other pictures
// of the example are taken on the way: both charts and the enlarged window with the results table.
TEST_F(WindowTest, TheTutorialStepByStepWithItsScreenshots) {
    ASSERT_TRUE(QDir().mkpath(screenshotDir()));
    const QString shot = screenshotDir() + "/tutorial-%1.png";
    // Help > Describe this run before any run: a message saying so.
    action("actionDescribeRun")->trigger();
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_TRUE(watcher.boxes[0].text.startsWith("There is no finished run to describe."));

    // The file dialog, the intervals' dialog and the run's description, as they come. The file
    // is in a folder of its own, as in the repository.
    std::filesystem::create_directory("examples");
    std::filesystem::copy_file("grazing.csv", "examples/grazing.csv");
    QString described;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            files->selectFile(here() + "/examples/grazing.csv");
            static_cast<QDialog*>(files)->accept();
        } else if (modal != nullptr && modal->objectName() == "IntervalsDialog") {
            modal->findChild<QSpinBox*>("Replicates")->setValue(1000);
            modal->findChild<QSpinBox*>("Seed")->setValue(1);
            modal->findChild<QDoubleSpinBox*>("Level")->setValue(0.95);
            qobject_cast<QDialog*>(modal)->accept();
        } else if (modal != nullptr && modal->objectName() == "DescribeDialog") {
            modal->grab().save(shot.arg("describe"));
            described = modal->findChild<QPlainTextEdit*>("MethodsText")->toPlainText();
            QTest::mouseClick(modal->findChild<QPushButton*>("CopyMethods"), Qt::LeftButton);
            qobject_cast<QDialog*>(modal)->reject();
        }
    });
    answer.start(10);

    // File > Open data file...: read at once; the three boxes stay empty.
    action("actionOpenData")->trigger();
    EXPECT_EQ(items("List1"), (QStringList{"Site", "Species", "Pref", "Observer", "Scale"}));
    EXPECT_EQ(text("Text1") + text("Text2") + text("Text4"), "");
    ASSERT_TRUE(form->grab().save(shot.arg("read")));

    assignRoles("Site", "Species", "Pref");
    EXPECT_EQ((QStringList{text("Text1"), text("Text2"), text("Text4")}),
              (QStringList{"Site", "Species", "Pref"}));
    ASSERT_TRUE(form->grab().save(shot.arg("variables")));

    click("Command4");
    EXPECT_EQ(caption("Label11"), "100% finished");
    const QStringList list = items("List3");
    const qsizetype heading = list.lastIndexOf("Eigen vector (palatability)");
    ASSERT_GE(heading, 0);
    EXPECT_EQ(list.mid(heading + 1, 1), QStringList{"Allium bidentatum,  .333732952379243"});
    EXPECT_EQ(list.size() - heading - 1, 16);
    ASSERT_TRUE(form->grab().save(shot.arg("go")));

    // Analysis > Confidence intervals... with 1000 replicates and seed 1, then View > Spectrum
    // chart with its whiskers.
    action("actionIntervals")->trigger();
    ASSERT_TRUE(waitUntil([&] { return !form->bootstrapRunning(); }, 300000));
    ASSERT_NE(form->session().lastIntervals, nullptr);
    EXPECT_EQ(form->session().lastIntervals->used, 992);
    // Replicates whose sites missed a species are left out, and the status line says why.
    EXPECT_EQ(form->statusText(),
              "Confidence intervals from 992 of 1000 replicates; 8 of 1000 left out: a species "
              "was missing from the resampled sites; a higher threshold avoids this");
    action("actionSpectrum")->trigger();
    sscm::ChartWindow* chart = form->chartWindow(sscm::ChartKind::Spectrum);
    ASSERT_NE(chart, nullptr);
    chart->resize(800, 540);
    QApplication::processEvents();
    ASSERT_TRUE(chart->grab().save(shot.arg("chart")));
    QString error;
    for (const auto& [kind, name] : {std::pair{sscm::ChartKind::Spectrum, "spectrum"},
                                     std::pair{sscm::ChartKind::HeatMap, "matrix"}})
        ASSERT_TRUE(form->exportChart(screenshotDir() + "/" + name + "-grazing.png", kind, &error))
            << error.toStdString();

    // The enlarged window beside the results table, which holds the intervals.
    sscm::ResultsTable* table = form->openResultsTable();
    EXPECT_TRUE(table->tsv().startsWith(
        "Rank\tSpecies\tValue\tCases\tRows\tValue low\tValue high\tRank low\tRank high\n"));
    form->resize(form->minimumSize() + QSize(260, 180));
    table->resize(720, form->height());
    QApplication::processEvents();
    const QPixmap big = form->grab();
    const QPixmap grid = table->grab();
    QImage pair(big.width() + 12 + grid.width(), std::max(big.height(), grid.height()),
                QImage::Format_RGB32);
    pair.fill(QColor(0x60, 0x60, 0x60));
    {
        QPainter p(&pair);
        p.drawPixmap(0, 0, big);
        p.drawPixmap(big.width() + 12, 0, grid);
    }
    ASSERT_TRUE(pair.save(screenshotDir() + "/enlarged-window-with-results-table.png"));

    // Help > Describe this run: the paragraph, copied with its button.
    action("actionDescribeRun")->trigger();
    answer.stop();
    EXPECT_TRUE(described.startsWith("Palatability was ranked with sscm " SSCM_VERSION " "));
    for (const char* words : {"The 141 data rows came from 12 cases and held 25 species.",
                              "1000 resamples", "992 were used and 8 discarded", "95 %"})
        EXPECT_TRUE(described.contains(words)) << words;
    EXPECT_EQ(QApplication::clipboard()->text(), described);
    for (const char* name : {"read", "variables", "go", "chart", "describe"})
        EXPECT_TRUE(QFileInfo::exists(shot.arg(name))) << name;
    EXPECT_EQ(watcher.boxes.size(), 1u);
}

// --- Rough edges -----------------------------------------------------------------------------

TEST_F(WindowTest, MovingThroughTheFileListKeepsTheDataFileNameUntilAFileIsChosen) {
    std::filesystem::create_directories("data");
    for (const char* f : {"data/a.csv", "data/b.csv", "data/c.csv"}) {
        writeFile(f, "Site,Species,Pref\n");
    }
    ASSERT_TRUE(form->setDirPath(QString::fromStdString((dir() / "data").string())));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    type("Text7", "typed.csv");
    // Tab from Dir1 into the file list, then the arrow keys.
    ctl<QWidget>("Dir1")->setFocus();
    QTest::keyClick(ctl<QWidget>("Dir1"), Qt::Key_Tab);
    auto* files = ctl<QListWidget>("File1");
    ASSERT_EQ(QApplication::focusWidget(), files);
    QTest::keyClick(files, Qt::Key_Down);
    QTest::keyClick(files, Qt::Key_Down);
    QTest::keyClick(files, Qt::Key_Up);
    EXPECT_EQ(text("Text7"), "typed.csv");
    // Enter chooses the current file; a click chooses the one clicked.
    ASSERT_NE(files->currentItem(), nullptr);
    const QString current = files->currentItem()->text();
    QTest::keyClick(files, Qt::Key_Return);
    EXPECT_EQ(text("Text7"), current);
    clickItem("File1", "c.csv");
    EXPECT_EQ(text("Text7"), "c.csv");
}

TEST_F(WindowTest, GoShowsItsWorkingCaptionsAtOnceOnALargeSet) {
    writeBigFile("big.csv", 3000, 60, 200);
    ASSERT_TRUE(form->setDirPath(QString::fromStdString(dir().string())));
    ctl<QCheckBox>("Check1")->setChecked(false);
    read("big.csv");
    assignRoles("Site", "Species", "Pref");

    /// Records when the button and the label are first painted with their working captions.
    struct Painted : QObject {
        QElapsedTimer* clock = nullptr;
        qint64 button = -1;
        qint64 label = -1;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint) {
                if (auto* b = qobject_cast<QPushButton*>(o);
                    b && b->text() == "Working" && button < 0) {
                    button = clock->elapsed();
                }
                if (auto* l = qobject_cast<QLabel*>(o); l && l->text() == " 0 %" && label < 0) {
                    label = clock->elapsed();
                }
            }
            return false;
        }
    } painted;
    QElapsedTimer clock;
    painted.clock = &clock;
    ctl<QWidget>("Command4")->installEventFilter(&painted);
    ctl<QWidget>("Label11")->installEventFilter(&painted);
    qint64 firstEvents = -1;
    QTimer::singleShot(0, [&] {
        firstEvents = clock.elapsed();
        EXPECT_TRUE(form->busy());
    });
    clock.start();
    click("Command4");
    const qint64 whole = clock.elapsed();
    ctl<QWidget>("Command4")->removeEventFilter(&painted);
    ctl<QWidget>("Label11")->removeEventFilter(&painted);
    ASSERT_EQ(caption("Label11"), "100% finished");
    EXPECT_GE(painted.button, 0);
    EXPECT_LT(painted.button, 100);
    EXPECT_GE(painted.label, 0);
    EXPECT_LT(painted.label, 100);
    // Events are processed while the run works, from its first stage on (the case and species
    // tables let the window in every few thousand rows).
    EXPECT_GE(firstEvents, 0);
    EXPECT_LT(firstEvents, 100) << "the run took " << whole << " ms";
    std::printf("GO on 180,000 rows: painted after %lld ms, first events after %lld ms, run %lld "
                "ms\n",
                static_cast<long long>(painted.button), static_cast<long long>(firstEvents),
                static_cast<long long>(whole));
}

TEST_F(WindowTest, AFailedCommandLeavesItsLabelSayingItStopped) {
    read("missing.csv");
    EXPECT_EQ(caption("Label18"), "Stopped");
    EXPECT_TRUE(ctl<QPushButton>("Command1")->isEnabled());
    read("small.csv");
    EXPECT_EQ(caption("Label18"), "100% finished");
    read("novariable.csv");
    EXPECT_EQ(caption("Label18"), "Stopped");

    prepareSmall();
    type("Text5", "four");
    ctl<QCheckBox>("Check1")->setChecked(true);
    click("Command4");
    EXPECT_EQ(caption("Label11"), "Stopped");
    EXPECT_EQ(caption("Command4"), "GO");
    EXPECT_TRUE(ctl<QPushButton>("Command4")->isEnabled());
    ctl<QCheckBox>("Check1")->setChecked(false);
    click("Command4");
    EXPECT_EQ(caption("Label11"), "100% finished");
    read("split.csv");
    click("Command4");
    EXPECT_EQ(caption("Label11"), "Stopped");
    EXPECT_EQ(watcher.boxes.size(), 4u);
}

TEST_F(WindowTest, AfterGoTheHeadingOfTheNewRankingIsInView) {
    // More species than the list shows at once: the heading, not the end, comes into view.
    writeBigFile("many.csv", 40, 30, 60);
    ASSERT_TRUE(form->setDirPath(QString::fromStdString(dir().string())));
    ctl<QCheckBox>("Check1")->setChecked(false);
    read("many.csv");
    assignRoles("Site", "Species", "Pref");
    auto* list = ctl<QListWidget>("List3");
    int previous = -1;
    for (int run = 0; run < 2; ++run) {
        click("Command4");
        ASSERT_EQ(caption("Label11"), "100% finished");
        QApplication::processEvents();
        const QListWidgetItem* top = list->itemAt(2, 2);
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(top->text(), "Eigen vector (palatability)");
        // The run's own heading: 60 species follow it.
        EXPECT_EQ(list->row(top), list->count() - 61);
        EXPECT_GT(list->row(top), previous);
        previous = list->row(top);
    }
}

TEST_F(WindowTest, ResultLinesAreSelectedAndCopiedAsTheyAre) {
    prepareSmall();
    click("Command4");
    auto* list = ctl<QListWidget>("List3");
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    const QStringList lines = items("List3");
    ASSERT_GE(lines.size(), 6);
    // Chosen out of order with Ctrl held: copied in list order.
    list->setFocus();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(4)).center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list->visualItemRect(list->item(1)).center());
    QApplication::clipboard()->clear();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), lines[1] + "\n" + lines[4] + "\n");

    QStringList menu;
    for (QAction* a : list->actions()) {
        menu << a->text();
    }
    EXPECT_EQ(list->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(menu, (QStringList{"Copy", "Copy all"}));
    ctl<QAction>("List3CopyAll")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), lines.join("\n") + "\n");
    QApplication::clipboard()->clear();
    ctl<QAction>("actionCopyResults")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), lines.join("\n") + "\n");
    // A line with leading blanks keeps them.
    EXPECT_TRUE(lines.contains(" "));
}

TEST_F(WindowTest, SaveResultsSaysWhereItWroteAndTheNamesShowTheirFolder) {
    prepareSmall();
    click("Command4");
    click("Command6");
    const QString full =
        QDir::toNativeSeparators(QDir::current().absoluteFilePath("palatability_small.csv"));
    EXPECT_EQ(form->statusText(), "Saved 8 lines to " + full);
    EXPECT_EQ(ctl<QLineEdit>("Text3")->toolTip(), full);
    EXPECT_EQ(ctl<QLineEdit>("Text6")->toolTip(),
              QDir::toNativeSeparators(QDir::current().absoluteFilePath("log_small.csv")));
    type("Text3", "other.csv");
    EXPECT_EQ(ctl<QLineEdit>("Text3")->toolTip(),
              QDir::toNativeSeparators(QDir::current().absoluteFilePath("other.csv")));
}

TEST_F(WindowTest, ATypoInARoleNameKeepsTheLogOfThePreviousRun) {
    prepareSmall();
    click("Command4");
    const std::string log = readFile("log_small.csv");
    ASSERT_FALSE(log.empty());
    type("Text2", "Specis");
    click("Command4");
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_TRUE(watcher.boxes[0].text.contains("Specis"));
    EXPECT_EQ(readFile("log_small.csv"), log);
}

TEST_F(WindowTest, TheDescriptionBandShowsNoScrollBarAndAboutHoldsTheWholeText) {
    auto* area = ctl<QScrollArea>("Label16Area");
    EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    EXPECT_EQ(area->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    // About holds the band's description and, in place of its request to cite an unnamed
    // publication, how to cite sscm itself.
    const QString about = form->aboutText();
    const QString request = " Please cite the publication that describes the method.";
    EXPECT_TRUE(about.contains(caption("Label16").chopped(request.size())));
    EXPECT_FALSE(about.contains("publication"));
    EXPECT_TRUE(about.contains("To cite sscm " SSCM_VERSION ":\nsscm developers (2026). sscm: "
                               "Palatability Spectra from Within-Site Comparisons of Field "
                               "Observations. Version " SSCM_VERSION "."));
    EXPECT_TRUE(about.contains(QDir::toNativeSeparators(QDir::current().absolutePath())));
}

// Help > Data format shows the README's section of that name, rendered as the README is.
TEST_F(WindowTest, DataFormatShowsTheReadmesSection) {
    std::ifstream readme(SSCM_SOURCE_DIR "/README.md", std::ios::binary);
    std::string line;
    std::string section;
    while (std::getline(readme, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!section.empty() && line.rfind("## ", 0) == 0)
            break;
        if (!section.empty() || line == "## Data format")
            section += line + "\n";
    }
    ASSERT_FALSE(section.empty());
    QTextDocument expected;
    expected.setMarkdown(QString::fromStdString(section));

    action("actionDataFormat")->trigger();
    action("actionDataFormat")->trigger();
    const auto dialogs = form->findChildren<QDialog*>("DataFormatDialog");
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0]->isVisible());
    const QString shown = dialogs[0]->findChild<QTextBrowser*>("DataFormatText")->toPlainText();
    EXPECT_TRUE(shown.startsWith("Data format\n"));
    EXPECT_EQ(shown, expected.toPlainText());
}

TEST_F(WindowTest, ShiftJisNamesShowDecodedAndKeepTheirBytes) {
    ctl<QCheckBox>("Check1")->setChecked(false);
    read("sjis.csv");
    EXPECT_EQ(items("List1"), (QStringList{QString::fromUtf8("地点"), QString::fromUtf8("種名"),
                                           QString::fromUtf8("嗜好")}));
    assignRoles(QString::fromUtf8("地点"), QString::fromUtf8("種名"), QString::fromUtf8("嗜好"));
    EXPECT_EQ(text("Text2"), QString::fromUtf8("種名"));
    EXPECT_EQ(form->text(sscm::Ctl::Text2), "\x8e\xed\x96\xbc");
    click("Command4");
    ASSERT_TRUE(watcher.boxes.empty()) << watcher.boxes[0].text.toStdString();
    const QStringList lines = items("List3");
    EXPECT_TRUE(lines.filter(QString::fromUtf8("ススキ,  ")).size() >= 2);
    EXPECT_TRUE(lines.filter(QString::fromUtf8("ノイバラ～")).size() >= 2);
    click("Command6");
    const std::string saved = readFile("palatability_sjis.csv");
    EXPECT_NE(saved.find("\x83\x58\x83\x58\x83\x4c,  "), std::string::npos);
    EXPECT_EQ(saved.find("\xe3\x82\xb9"), std::string::npos); // no UTF-8 in the file
    // The charts name the species the same way.
    QString error;
    ASSERT_TRUE(form->exportChart("sjis.svg", sscm::ChartKind::Spectrum, &error));
    bool named = false;
    for (const auto& t : sscm::test::SvgShapes::read("sjis.svg").texts) {
        named = named || t.text == QString::fromUtf8("ススキ");
    }
    EXPECT_TRUE(named);

    ASSERT_TRUE(QDir().mkpath(screenshotDir()));
    ASSERT_TRUE(form->grab().save(screenshotDir() + "/shift-jis.png"));
}

// --- Data safety ------------------------------------------------------------------------------

TEST_F(WindowTest, NoFileTheWindowWritesReplacesTheDataFileJustRead) {
    prepareSmall();
    click("Command4");
    const std::string data = readFile("small.csv");
    ASSERT_FALSE(data.empty());
    std::filesystem::create_symlink("small.csv", "chart.svg");

    // The exports, by name and through a link to it.
    QString error;
    EXPECT_FALSE(form->exportSpectrumTable("small.csv", &error));
    EXPECT_TRUE(error.contains("is the data file")) << error.toStdString();
    error.clear();
    EXPECT_FALSE(form->exportChart("chart.svg", sscm::ChartKind::Spectrum, &error));
    EXPECT_TRUE(error.contains("is the data file")) << error.toStdString();
    EXPECT_EQ(readFile("small.csv"), data);
    EXPECT_TRUE(std::filesystem::is_symlink("chart.svg"));
    // The chart window's Save as keeps the same rule.
    error.clear();
    EXPECT_FALSE(form->openChart(sscm::ChartKind::Spectrum)->saveTo("chart.svg", &error));
    EXPECT_TRUE(error.contains("is the data file")) << error.toStdString();

    // The data file's name typed as the result file and as the log: each refused in a box.
    type("Text3", "small.csv");
    click("Command6");
    type("Text6", "small.csv");
    click("Command4");
    ASSERT_EQ(watcher.boxes.size(), 2u);
    for (const auto& box : watcher.boxes) {
        EXPECT_TRUE(box.text.contains("small.csv\" is the data file")) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains("destroy the data"));
    }
    EXPECT_EQ(readFile("small.csv"), data);
}

// --- Opening data and where files go ----------------------------------------------------------

TEST_F(WindowTest, DataOpenedEveryWayIsReadAtOnceAndItsFolderTakesTheOutputs) {
    std::filesystem::create_directories("field/2026");
    std::filesystem::copy_file("small.csv", "field/2026/plots.csv");
    const QString field = here() + "/field/2026";

    // File > Open data file: the dialog's choice sets the lists and Text7 and reads.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            files->selectFile(field + "/plots.csv");
            static_cast<QDialog*>(files)->accept();
        }
    });
    answer.start(10);
    action("actionOpenData")->trigger();
    answer.stop();
    EXPECT_EQ(form->dirPath(), field);
    EXPECT_EQ(text("Text7"), "plots.csv");
    EXPECT_EQ(items("List1"), (QStringList{"Site", "Species", "Pref"}));
    EXPECT_EQ(form->outputDir(), field);
    EXPECT_EQ(form->statusText(),
              "The result file, the log and the exports go to " + QDir::toNativeSeparators(field));
    EXPECT_TRUE(form->aboutText().contains(QDir::toNativeSeparators(field)));
    assignRoles("Site", "Species", "Pref");
    ctl<QCheckBox>("Check1")->setChecked(false);
    click("Command4");
    click("Command6");
    EXPECT_EQ(readFile("field/2026/palatability_plots.csv"),
              readFile(SSCM_TEST_DATA_DIR "/ui/small_expected.csv"));
    EXPECT_FALSE(readFile("field/2026/log_plots.csv").empty());
    EXPECT_FALSE(exists("palatability_plots.csv"));
    EXPECT_FALSE(exists("log_plots.csv"));
    EXPECT_EQ(ctl<QLineEdit>("Text3")->toolTip(),
              QDir::toNativeSeparators(field + "/palatability_plots.csv"));
    // Scratch files live in a private folder, neither here nor beside the data.
    EXPECT_FALSE(form->scratchDir().startsWith(here()));
    EXPECT_TRUE(QFileInfo(form->scratchDir()).isDir());
    for (const auto& f : std::filesystem::recursive_directory_iterator(dir())) {
        EXPECT_NE(f.path().extension(), ".tmp") << f.path();
    }

    // A file saved meanwhile by another program shows when the window is back in front.
    writeFile("field/2026/later.csv", "Site,Species,Pref\n");
    EXPECT_FALSE(items("File1").contains("later.csv"));
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    EXPECT_TRUE(items("File1").contains("later.csv"));

    // Enter in Text7 reads the name typed.
    ASSERT_TRUE(form->setDirPath(here()));
    type("Text7", "split.csv");
    QTest::keyClick(ctl<QLineEdit>("Text7"), Qt::Key_Return);
    EXPECT_EQ(form->session().dataFile, (dir() / "split.csv").string());
    EXPECT_EQ(form->outputDir(), here());

    // A double click on a file in the list reads it.
    QListWidget* files = ctl<QListWidget>("File1");
    const QListWidgetItem* small = files->findItems("small.csv", Qt::MatchExactly).front();
    const QPoint at = files->visualItemRect(small).center();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(form->session().dataFile, (dir() / "small.csv").string());

    // A file dropped on the window is read.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(field + "/plots.csv")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(form.get(), &drop);
    EXPECT_EQ(form->session().dataFile, (dir() / "field/2026/plots.csv").string());

    // The recent files, latest first, each once, at most eight.
    EXPECT_EQ(form->recentFiles(),
              (QStringList{field + "/plots.csv", here() + "/small.csv", here() + "/split.csv"}));
    for (int k = 0; k < 9; ++k) {
        const std::string name = "r" + std::to_string(k) + ".csv";
        std::filesystem::copy_file("small.csv", name);
        ASSERT_TRUE(form->openDataFile(here() + "/" + QString::fromStdString(name)));
    }
    EXPECT_EQ(form->recentFiles().size(), 8);
    EXPECT_EQ(form->recentFiles().front(), here() + "/r8.csv");
    EXPECT_TRUE(watcher.boxes.empty()) << watcher.boxes[0].text.toStdString();
}

TEST_F(WindowTest, ExitWithUnsavedResultsAsksToSaveThem) {
    prepareSmall();
    // Nothing run yet: Exit closes without a question.
    click("Command5");
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(watcher.boxes.empty());
    form->show();

    click("Command4");
    watcher.exit = QMessageBox::Cancel;
    click("Command5");
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, "Save the results before exiting?");
    EXPECT_EQ(watcher.boxes[0].buttons,
              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(exists("palatability_small.csv"));

    watcher.exit = QMessageBox::Save;
    click("Command5");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(readFile("palatability_small.csv"),
              readFile(SSCM_TEST_DATA_DIR "/ui/small_expected.csv"));

    // Saved: no question; a new run asks again, and Discard leaves without writing.
    form->show();
    click("Command5");
    EXPECT_EQ(watcher.boxes.size(), 2u);
    form->show();
    click("Command4");
    std::filesystem::remove("palatability_small.csv");
    watcher.exit = QMessageBox::Discard;
    click("Command5");
    EXPECT_EQ(watcher.boxes.size(), 3u);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(exists("palatability_small.csv"));
}

// --- The window itself ------------------------------------------------------------------------

TEST_F(WindowTest, TheWindowGrowsTheResultListAndAnswersItsShortcuts) {
    const QSize smallest = form->size();
    const QRect list = ctl<QWidget>("List3")->geometry();
    const QRect go = ctl<QWidget>("Command4")->geometry();
    form->resize(smallest + QSize(300, 200));
    EXPECT_EQ(ctl<QWidget>("List3")->geometry(), list.adjusted(0, 0, 300, 200));
    EXPECT_EQ(ctl<QWidget>("Command4")->geometry(), go);
    auto* status = ctl<QStatusBar>("StatusLine");
    EXPECT_EQ(status->geometry().bottom() + 1, form->height());
    EXPECT_EQ(status->width(), form->width());
    form->resize(QSize(200, 200));
    EXPECT_EQ(form->size(), smallest);
    EXPECT_EQ(ctl<QWidget>("List3")->geometry(), list);

    // The description shows whole as a tooltip.
    EXPECT_EQ(ctl<QLabel>("Label16")->toolTip(), caption("Label16"));

    // F5 runs GO and Ctrl+S saves, each saying so in the status line; copying says so too.
    prepareSmall();
    form->activateWindow();
    QTest::keyClick(form.get(), Qt::Key_F5);
    EXPECT_EQ(caption("Label11"), "100% finished");
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(readFile("palatability_small.csv"),
              readFile(SSCM_TEST_DATA_DIR "/ui/small_expected.csv"));
    EXPECT_TRUE(form->statusText().startsWith("Saved 8 lines to "));
    action("actionCopyResults")->trigger();
    EXPECT_EQ(form->statusText(), "Copied 8 lines of the result list");
    EXPECT_EQ(action("actionIntervals")->shortcut(), QKeySequence("Ctrl+B"));
    EXPECT_EQ(action("actionExportTables")->shortcut(), QKeySequence("Ctrl+E"));
    EXPECT_EQ(action("actionOpenData")->shortcut(), QKeySequence(QKeySequence::Open));
}

// --- The results table ------------------------------------------------------------------------

TEST_F(WindowTest, TheResultsTableFollowsTheRunsSortsCopiesAndListsTheRemoved) {
    EXPECT_EQ(form->resultsTable(), nullptr);
    // C occurs in one case only and is removed at "1 or fewer".
    writeFile("three.csv", "Site,Species,Pref\nS1,A,5\nS1,B,2\nS1,C,1\nS2,B,1\nS2,A,3\n");
    read("three.csv");
    assignRoles("Site", "Species", "Pref");
    type("Text5", "1");
    click("Command4");
    ASSERT_EQ(caption("Label11"), "100% finished");
    sscm::ResultsTable* table = form->resultsTable();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->isVisible());
    EXPECT_EQ(table->tsv(), "Rank\tSpecies\tValue\tCases\tRows\n"
                            "1\tA\t0.866\t2\t2\n"
                            "2\tB\t0.5\t2\t2\n");
    EXPECT_EQ(table->findChild<QLabel*>("RemovedSpecies")->text(),
              "Removed (too few cases): C (1 case)");

    // Sorted by species, descending; Copy takes the selected rows, in the order on view.
    auto* grid = table->findChild<QTableWidget*>("ResultsGrid");
    grid->sortByColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(table->tsv(), "Rank\tSpecies\tValue\tCases\tRows\n"
                            "2\tB\t0.5\t2\t2\n"
                            "1\tA\t0.866\t2\t2\n");
    grid->selectRow(1);
    QTest::mouseClick(table->findChild<QPushButton*>("CopyResultsTable"), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "Rank\tSpecies\tValue\tCases\tRows\n1\tA\t0.866\t2\t2\n");
    EXPECT_EQ(form->statusText(), "Copied 1 rows of the results table");

    // A failed run and a new Read leave the table saying it shows the previous run.
    auto* note = table->findChild<QLabel*>("ResultsNote");
    type("Text2", "Specis");
    click("Command4");
    EXPECT_TRUE(note->text().startsWith("This table shows the previous run: GO stopped"));
    EXPECT_TRUE(form->statusText().startsWith("GO stopped: ")) << form->statusText().toStdString();
    EXPECT_TRUE(form->statusText().contains("Specis"));
    read("small.csv");
    EXPECT_TRUE(note->text().contains("a data file has been read since"));
    grid->clearSelection();
    EXPECT_EQ(table->tsv().count('\n'), 3);
}

TEST_F(WindowTest, ASplitNetworkIsRankedGroupByGroupWhenAsked) {
    ASSERT_TRUE(QDir().mkpath(screenshotDir()));
    watcher.press = "Rank each group separately";
    watcher.grabTo = screenshotDir() + "/split-network-box.png";
    read("split.csv");
    assignRoles("Site", "Species", "Pref");
    ctl<QCheckBox>("Check1")->setChecked(false);
    click("Command4");
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].title, "Split network");
    EXPECT_TRUE(watcher.boxes[0].text.startsWith("No common species between cases"));
    sscm::ResultsTable* table = form->resultsTable();
    ASSERT_NE(table, nullptr);
    // Two groups of two, each ranked on its own: the higher intensity first.
    EXPECT_EQ(table->tsv(), "Group\tRank\tSpecies\tValue\tCases\tRows\n"
                            "1\t1\tB\t0.866\t1\t1\n"
                            "1\t2\tA\t0.5\t1\t1\n"
                            "2\t1\tD\t0.866\t1\t1\n"
                            "2\t2\tC\t0.5\t1\t1\n");
    EXPECT_TRUE(table->findChild<QLabel*>("ResultsNote")->text().contains("within a group only"));
    QString error;
    ASSERT_TRUE(form->exportShownTable("groups.csv", &error)) << error.toStdString();
    // Export writes the groups as shown: each species with its value and its group.
    const QStringList saved = QString::fromStdString(readFile("groups.csv")).split('\n');
    ASSERT_EQ(saved.size(), 6);
    EXPECT_TRUE(saved[0].startsWith("species,value,rank,")) << saved[0].toStdString();
    EXPECT_TRUE(saved[0].endsWith(",group"));
    const char* firsts[] = {"B,0.866", "A,0.5", "D,0.866", "C,0.5"};
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(saved[k + 1].startsWith(firsts[k])) << saved[k + 1].toStdString();
        EXPECT_TRUE(saved[k + 1].endsWith(k < 2 ? ",1" : ",2")) << saved[k + 1].toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(screenshotDir() + "/split-network-box.png"));

    // Without the answer, no ranking: the table keeps saying it shows an earlier run.
    watcher.press.clear();
    click("Command4");
    EXPECT_TRUE(table->findChild<QLabel*>("ResultsNote")->text().startsWith("This table shows"));
}

// --- Charts for a paper -----------------------------------------------------------------------

TEST_F(WindowTest, ExportChartTakesAPrintSizeAndTheHeatMapNamesEachCell) {
    runExample();
    ASSERT_TRUE(QDir().mkpath(screenshotDir()));
    const QString file = screenshotDir() + "/spectrum-170x100mm-300dpi.png";
    QFile::remove(file);
    // File > Export chart: the file dialog, then the size, unit and resolution.
    QTimer answer;
    bool sized = false;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            files->selectFile(file);
            static_cast<QDialog*>(files)->accept();
        } else if (modal != nullptr && modal->objectName() == "ChartExportDialog") {
            modal->findChild<QDoubleSpinBox*>("ChartWidth")->setValue(170);
            modal->findChild<QDoubleSpinBox*>("ChartHeight")->setValue(100);
            modal->findChild<QComboBox*>("ChartUnit")->setCurrentIndex(1);
            modal->findChild<QSpinBox*>("ChartDpi")->setValue(300);
            modal->findChild<QCheckBox*>("ChartItalicNames")->setChecked(true);
            qobject_cast<QDialog*>(modal)->accept();
            sized = true;
        }
    });
    answer.start(10);
    action("actionExportChart")->trigger();
    answer.stop();
    EXPECT_TRUE(sized);
    const QImage print(file);
    EXPECT_EQ(print.size(), QSize(2008, 1181));
    EXPECT_NEAR(print.dotsPerMeterX(), 11811, 1);
    EXPECT_EQ(form->statusText(), "Saved the spectrum chart to " + QDir::toNativeSeparators(file));
    EXPECT_TRUE(watcher.boxes.empty()) << watcher.boxes[0].text.toStdString();

    // The heat map of two species: each cell says its pair, mean code and comparisons.
    read("small.csv");
    ctl<QCheckBox>("Check1")->setChecked(false);
    click("Command4");
    sscm::ChartWindow* heat = form->openChart(sscm::ChartKind::HeatMap);
    QApplication::processEvents();
    const sscm::ChartView* view = heat->view();
    const sscm::HeatMapData data =
        sscm::heatMapData(*form->session().lastResult, "small.csv", sscm::TextEncoding::Utf8);
    // The map may be drawn enlarged: its layout at the natural size, scaled.
    const double scale = sscm::heatMapScale(QRectF(view->rect()), data);
    const sscm::HeatMapLayout layout =
        sscm::heatMapLayout(QRectF(QPointF(), QSizeF(view->size()) / scale), data);
    const QPointF ab = sscm::heatMapCell(layout, 0, 1).center() * scale;
    EXPECT_EQ(view->toolTipAt(ab), "A vs B: mean 3.00 over 2 comparisons");
    EXPECT_EQ(view->toolTipAt(sscm::heatMapCell(layout, 1, 0).center() * scale),
              "B vs A: mean 1.00 over 2 comparisons");
    EXPECT_EQ(view->toolTipAt(QPointF(1, 1)), "");
    // View > Comparison matrix brings a minimised chart window back.
    heat->showMinimized();
    action("actionMatrix")->trigger();
    EXPECT_FALSE(heat->isMinimized());
    EXPECT_TRUE(heat->isVisible());

    // A picture of the tooltip over its cell.
    QHelpEvent help(QEvent::ToolTip, ab.toPoint(), view->mapToGlobal(ab.toPoint()));
    QApplication::sendEvent(const_cast<sscm::ChartView*>(view), &help);
    QApplication::processEvents();
    QPixmap shot = heat->grab();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("QTipLabel") && w->isVisible()) {
            QPainter p(&shot);
            p.drawPixmap(view->mapTo(heat, ab.toPoint()) + QPoint(8, 16), w->grab());
        }
    }
    ASSERT_TRUE(shot.save(screenshotDir() + "/heatmap-tooltip.png"));
}

} // namespace

int main(int argc, char** argv) {
    // Offscreen unless the caller asks for a real display, and one style everywhere, so the
    // layout checks measure what the screenshot shows.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
