// The baseline of bench/ostrel_cost.sh: a Qt dialog that does nothing but
// receive a 1000 ms timer, so the monitor's own cost can be told from the
// toolkit's.

#include <QApplication>
#include <QDialog>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Empty"));
    dialog.resize(312, 380);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &dialog, [] {});
    timer.start(1000);
    return dialog.exec() >= 0 ? 0 : 1;
}
