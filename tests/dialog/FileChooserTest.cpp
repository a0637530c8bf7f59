// Qt's file chooser as the programs get it, typed into as a user would. A
// program of its own: the chooser loads image plug-ins that the window tests
// check are never loaded.

#include "dialog/QtDialogServices.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace dialog;

// A name typed and Enter pressed: the default extension is added only to a
// name that does not exist as typed.
TEST(QtDialogServicesTest, TypedNameGetsTheDefaultExtensionOnlyWhenItDoesNotExist)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"mprime", "other.prime95"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    struct Case {
        const char* typed;
        const char* chosen;
    };
    for (const Case& c : {Case{"mprime", "mprime"}, Case{"other", "other.prime95"}}) {
        FileDialogRequest request;
        request.title = QStringLiteral("Open Prime95 - Use Small FFTs option");
        request.filter = QStringLiteral("EXE Files (*.exe)|*.exe||");
        request.defaultExtension = QStringLiteral("prime95");
        request.existence = FileExistence::MustExist;
        request.initialDirectory = dir.path();
        QString refusal;
        QTimer::singleShot(0, [&] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name) {
                ADD_FAILURE() << "the chooser has no file name field";
                chooser->reject();
                return;
            }
            // A refusal is a box of its own over the chooser: it is read and closed.
            QTimer::singleShot(0, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    refusal = box->text();
                    box->reject();
                }
            });
            name->setText(dir.filePath(QString::fromLatin1(c.typed)));
            QTest::keyClick(name, Qt::Key_Return);
            if (chooser->isVisible())
                chooser->reject();
        });
        QtDialogServices services;
        const std::optional<QString> chosen = services.chooseFile(nullptr, request);
        EXPECT_EQ(chosen.value_or(QString()).toStdString(),
                  dir.filePath(QString::fromLatin1(c.chosen)).toStdString());
        EXPECT_EQ(refusal.toStdString(), "") << c.typed;
    }
}
