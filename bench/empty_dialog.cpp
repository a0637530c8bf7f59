// The baseline of bench/ostrel_cost.sh: a Qt dialog that does nothing but
// receive a 1000 ms timer, so the monitor's own cost can be told from the
// toolkit's. With --label it shows one line of text, which is what loading
// fonts and laying out text costs before any window of its own.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>

#include <cstring>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Empty"));
    dialog.resize(312, 380);
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0)
        (new QLabel(QStringLiteral("Core 0  45\u00B0C"), &dialog))->move(10, 10);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &dialog, [] {});
    timer.start(1000);
    return dialog.exec() >= 0 ? 0 : 1;
}
