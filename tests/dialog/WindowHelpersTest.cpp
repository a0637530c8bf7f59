#include "SampleWindow.h"

#include "dialog/CaptionRoom.h"
#include "dialog/CaretBlinkTimeout.h"
#include "dialog/ClientAreaDrag.h"
#include "dialog/ControlFactory.h"
#include "dialog/HoverTimer.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace sample;

namespace {

void sendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, QPointF(local), target->mapToGlobal(QPointF(local)), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

TEST(RunModalTest, ReturnsTheCodeTheWindowClosedWith)
{
    SampleWindow window(dialog::WindowRole::Main);
    QTimer::singleShot(0, &window, [&] {
        window.setFocus(IdName);
        QTest::keyClick(window.control(IdName), Qt::Key_Escape);
    });
    EXPECT_EQ(window.runModal(), IDCANCEL);

    QTimer::singleShot(0, &window, [&] { window.endDialog(IDOK); });
    EXPECT_EQ(window.runModal(), IDOK);
}

TEST(ClientAreaDragTest, TheGrabbedPointFollowsTheMouse)
{
    SampleWindow window;
    window.move(100, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* drag = new dialog::ClientAreaDrag(&window);
    const QPoint start = window.pos();

    sendMouse(&window, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton);
    EXPECT_TRUE(drag->active());
    EXPECT_EQ(drag->point(), QPoint(10, 10));
    sendMouse(&window, QEvent::MouseMove, QPoint(30, 25), Qt::NoButton);
    EXPECT_EQ(window.pos(), start + QPoint(20, 15));
    // The window has moved under the cursor: the point is where it was grabbed.
    sendMouse(&window, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton);
    EXPECT_EQ(window.pos(), start + QPoint(20, 15));
    sendMouse(&window, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton);
    EXPECT_FALSE(drag->active());
    sendMouse(&window, QEvent::MouseMove, QPoint(50, 50), Qt::NoButton);
    EXPECT_EQ(window.pos(), start + QPoint(20, 15));
}

TEST(HoverTimerTest, ReportsOneHoverPerRequestAndStopsOnLeave)
{
    SampleWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    dialog::HoverTimer hover(&window, 30);
    QSignalSpy hovered(&hover, &dialog::HoverTimer::hovered);
    QSignalSpy left(&hover, &dialog::HoverTimer::left);

    sendMouse(&window, QEvent::MouseMove, QPoint(5, 5), Qt::NoButton); // no request yet
    QTest::qWait(60);
    EXPECT_EQ(hovered.count(), 0);

    EXPECT_TRUE(hover.request());
    QTest::qWait(60);
    EXPECT_EQ(hovered.count(), 0) << "a request alone, without a movement, wakes nobody";
    sendMouse(&window, QEvent::MouseMove, QPoint(12, 8), Qt::NoButton);
    ASSERT_TRUE(hovered.wait(1000));
    EXPECT_EQ(hovered.at(0).at(0).toPoint(), QPoint(12, 8));
    EXPECT_FALSE(hover.tracking());
    QTest::qWait(60);
    EXPECT_EQ(hovered.count(), 1);

    hover.request();
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&window, &leave);
    EXPECT_EQ(left.count(), 1);
    QTest::qWait(60);
    EXPECT_EQ(hovered.count(), 1);
}

TEST(PlainFieldStyleTest, ReadOnlyFieldsPaintEveryPixelOfTheirRectangle)
{
    // A value field that left a pixel unpainted would make each new value
    // repaint the group box and the window behind it.
    const dialog::DialogUnits units(6, 13);
    QWidget parent;
    for (const uint32_t style : {uint32_t(dialog::style::ReadOnly), uint32_t(dialog::style::ReadOnly | dialog::style::Center)}) {
        const dialog::ControlSpec spec{1000, dialog::ControlKind::Edit, "51", 8, 9, 60, 12, style};
        QWidget* field = dialog::ControlFactory::create(spec, units, &parent);
        EXPECT_TRUE(field->testAttribute(Qt::WA_OpaquePaintEvent));
        // Rendered over two backgrounds: a pixel the field does not cover
        // fully shows through differently.
        QImage overMagenta(field->size(), QImage::Format_ARGB32);
        overMagenta.fill(Qt::magenta);
        field->render(&overMagenta, QPoint(), QRegion(), QWidget::DrawChildren);
        QImage overGreen(field->size(), QImage::Format_ARGB32);
        overGreen.fill(Qt::green);
        field->render(&overGreen, QPoint(), QRegion(), QWidget::DrawChildren);
        int unpainted = 0;
        for (int y = 0; y < overMagenta.height(); ++y)
            for (int x = 0; x < overMagenta.width(); ++x)
                unpainted += overMagenta.pixel(x, y) != overGreen.pixel(x, y);
        EXPECT_EQ(unpainted, 0);
    }
}

TEST(PlainFieldStyleTest, GroupBoxFramesAreDrawnWithoutLoadingImagePlugins)
{
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        GTEST_SKIP() << "the frame picture replaces Fusion's only";
    const dialog::DialogUnits units(6, 13);
    QWidget parent;
    const dialog::ControlSpec spec{1000, dialog::ControlKind::GroupBox, "Temperature", 4, 4, 120, 40, 0};
    QWidget* group = dialog::ControlFactory::create(spec, units, &parent);
    QImage image(group->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    group->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    // The frame's left edge, halfway down, is darker than the window around it.
    const int y = image.height() * 3 / 4;
    EXPECT_LT(qGray(image.pixel(1, y)), qGray(image.pixel(image.width() / 2, y)));

    // Every image-format plug-in (SVG, JPEG, GIF...) is a few hundred
    // kilobytes a monitor left open all day never needs.
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("/imageformats/"));
}

TEST(CaretBlinkTimeoutTest, StopsAfterTheTimeoutAndResumesOnAKey)
{
    const int flash = QApplication::cursorFlashTime();
    ASSERT_GT(flash, 0);
    dialog::CaretBlinkTimeout* watcher = dialog::CaretBlinkTimeout::install(std::chrono::milliseconds(20));
    QLineEdit field;
    field.show();
    field.setFocus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !watcher->blinking(); }, 5000));
    EXPECT_EQ(QApplication::cursorFlashTime(), 0) << "the caret stays shown";
    QTest::keyClick(&field, Qt::Key_A);
    EXPECT_TRUE(watcher->blinking());
    EXPECT_EQ(QApplication::cursorFlashTime(), flash);
    dialog::CaretBlinkTimeout::install(); // the other tests run with the usual timeout
}

TEST(CaptionRoomTest, MessageBoxesAndWindowsAreWideEnoughForCaptionAndText)
{
    // A box of Qt's own (the file chooser's "File not found.") as much as the suite's.
    dialog::CaptionRoom::install();
    const QString caption = QStringLiteral("Open Prime95 - Use Small FFTs option");
    const QString line = QStringLiteral("Please verify the correct file name was given.");
    QMessageBox box(QMessageBox::Warning, caption, QStringLiteral("mprime.prime95\nFile not found.\n") + line,
                    QMessageBox::Ok);
    box.show();
    // The box sizes itself again whenever its layout asks.
    QCoreApplication::postEvent(&box, new QEvent(QEvent::LayoutRequest));
    QCoreApplication::processEvents();
    EXPECT_GE(box.width(), dialog::CaptionRoom::widthFor(caption));
    const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(line));
    box.close();

    // A window narrower than its caption is widened; its controls keep their
    // rectangles relative to each other, centred in the wider area.
    static constexpr dialog::ControlSpec controls[] = {
        {IdName, ControlKind::Edit, "", 10, 10, 40, 12},
    };
    const dialog::DialogTemplate narrow{990, "A Rather Long Window Caption", 60, 40, 8, dialog::window::SystemMenu,
                                        controls};
    dialog::DialogWindow window(narrow);
    const int room = dialog::CaptionRoom::widthFor(window.caption());
    ASSERT_GT(room, window.units().toPixelsX(60));
    EXPECT_EQ(window.width(), room);
    const QRect placed = window.toPixels(10, 10, 40, 12);
    EXPECT_EQ(window.control(IdName)->geometry(),
              placed.translated((room - window.units().toPixelsX(60)) / 2, 0));
}
