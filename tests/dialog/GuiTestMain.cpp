// main() of the GUI test programs: GoogleTest with a QApplication on Qt's
// offscreen platform, so window tests run without a display. Reused by the
// window tests of every folder through ostrel_add_gui_test.

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a private runtime folder; a test run may have none.
    std::unique_ptr<QTemporaryDir> runtimeDir;
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        runtimeDir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/ostrel-gui-test-XXXXXX"));
        if (runtimeDir->isValid()) {
            QFile::setPermissions(runtimeDir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", runtimeDir->path().toLocal8Bit());
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
