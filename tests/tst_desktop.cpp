// The program as a desktop starts it, on a real X display (Xvfb): `sscm DATAFILE` from a working
// directory that is not the data's, GO and Save results, and the result file beside the data.

#include "tempdir.h"
#include "test_config.h"
#include "ui/mainform.h"
#include "ui/startup.h"

#include <filesystem>
#include <string>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Desktop : public sscm::test::TempDirTest {};

TEST_F(Desktop, StartedWithADataFileItSavesTheResultsBesideIt) {
    std::filesystem::create_directories("field/2026");
    std::filesystem::create_directories("elsewhere");
    std::filesystem::copy_file(SSCM_TEST_DATA_DIR "/ui/small.csv", "field/2026/plots.csv");
    const std::string data = (dir() / "field/2026/plots.csv").string();
    std::filesystem::current_path(dir() / "elsewhere");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString((dir() / "settings").string()));

    // As the desktop runs it: `sscm DATAFILE`.
    int argc = 2;
    std::string program = "sscm";
    char* argv[] = {program.data(), const_cast<char*>(data.c_str()), nullptr};
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    ASSERT_EQ(QApplication::platformName(), "xcb");
    const std::unique_ptr<sscm::MainForm> form = sscm::openMainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));

    const auto control = [&form](const char* name) { return form->findChild<QWidget*>(name); };
    EXPECT_EQ(qobject_cast<QLineEdit*>(control("Text7"))->text(), "plots.csv");
    ASSERT_EQ(qobject_cast<QListWidget*>(control("List1"))->count(), 3);
    const std::pair<const char*, const char*> roles[] = {
        {"Text1", "Site"}, {"Text2", "Species"}, {"Text4", "Pref"}};
    for (const auto& [box, name] : roles) {
        QTest::keyClicks(control(box), name);
    }
    qobject_cast<QCheckBox*>(control("Check1"))->setChecked(false);
    QTest::mouseClick(control("Command4"), Qt::LeftButton);
    QTest::mouseClick(control("Command6"), Qt::LeftButton);

    EXPECT_EQ(readFile(dir() / "field/2026/palatability_plots.csv"),
              readFile(SSCM_TEST_DATA_DIR "/ui/small_expected.csv"));
    EXPECT_FALSE(readFile(dir() / "field/2026/log_plots.csv").empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir() / "elsewhere"));

    const QString shots = QFileInfo(SSCM_SCREENSHOT_DIR "/").absolutePath();
    ASSERT_TRUE(QDir().mkpath(shots));
    EXPECT_TRUE(form->grab().save(shots + "/desktop-xvfb.png"));
}

} // namespace
