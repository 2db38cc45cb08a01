#include "widgets/IpaddrSpinBox.h"
#include "widgets/MessageDialog.h"
#include "widgets/ResizeLabel.h"
#include "widgets/ResizeLabelUnit.h"
#include "widgets/TopCustomFrame.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

class TestSharedWidgets : public QObject
{
    Q_OBJECT
private slots:
    void messageDialogShowsTitleAndTextAndClosesItself()
    {
        QElapsedTimer shown;
        shown.start();
        QPointer<MessageDialog> dialog = MessageDialog::showTransient(
            QStringLiteral("ERROR"), QStringLiteral("Line one\nLine two"));
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->isModal());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Moravin Lite"));
        QCOMPARE(dialog->title(), QStringLiteral("ERROR"));
        QCOMPARE(dialog->text(), QStringLiteral("Line one\nLine two"));
        QVERIFY(dialog->findChild<QTextBrowser *>("textBrowser")->isReadOnly());
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), MessageDialog::AutoCloseMs + 60000);
        // Not before its time, which a coarse timer may cut by up to 5 %.
        QVERIFY(shown.elapsed() >= MessageDialog::AutoCloseMs * 95 / 100);
    }

    void messageDialogCloseButtonCloses()
    {
        QPointer<MessageDialog> dialog = MessageDialog::showTransient("INFORMATION", "x");
        QTest::mouseClick(dialog->findChild<QPushButton *>("pushButton_close"), Qt::LeftButton);
        QTRY_VERIFY(dialog.isNull());
        MessageDialog plain("T", "y");
        QCOMPARE(plain.size(), QSize(400, 300));
    }

    void fitFactorFollowsTheSmallerRatio()
    {
        // 110 x 48 label, text 50 x 20: both ratios are 2.
        QCOMPARE(ResizeLabel::fitFactor(110, 48, 50, 20, 10, 8), 2.0f);
        QCOMPARE(ResizeLabel::fitFactor(210, 48, 50, 20, 10, 8), 2.0f);
        QCOMPARE(ResizeLabel::fitFactor(110, 108, 50, 20, 10, 8), 2.0f);
        QCOMPARE(ResizeLabel::fitFactor(100, 40, 50, 20, 0, 0), 2.0f);
        // A label smaller than its margins still gives a positive factor.
        QCOMPARE(ResizeLabel::fitFactor(5, 48, 50, 20, 10, 8), 0.1f);
        QCOMPARE(ResizeLabel::fitFactor(110, 48, 0, 0, 10, 8), 1.0f);
    }

    void fitFontScalesToTheLabelAndIsStable()
    {
        ResizeLabel label;
        QFont font = label.font();
        font.setPointSizeF(10);
        label.setFont(font);
        label.resize(300, 120);
        label.setText(QString());
        label.fitFont();
        QCOMPARE(label.font().pointSizeF(), 10.0);

        label.setText("23.45");
        label.fitFont();
        const qreal fitted = label.font().pointSizeF();
        QVERIFY(fitted > 10.0);
        QFontMetrics m(label.font());
        QVERIFY(m.horizontalAdvance("23.45") <= 300 - 10 + 4);
        QVERIFY(m.height() <= 120 - 8 + 4);
        label.fitFont();
        QVERIFY(qAbs(label.font().pointSizeF() - fitted) < fitted * 0.1);

        label.setText("23.45678901");
        label.fitFont();
        QVERIFY(label.font().pointSizeF() < fitted);

        ResizeLabelUnit unit;
        unit.setFont(font);
        unit.resize(300, 120);
        unit.setText("kPa");
        unit.fitFont();
        QVERIFY(unit.font().pointSizeF() > 10.0);
    }

    void ipOctetBoxAsksForTheNextOctetOnFullStopRelease()
    {
        IpaddrSpinBox box;
        box.setRange(0, 255);
        QSignalSpy spy(&box, &IpaddrSpinBox::nextStep);
        QTest::keyPress(&box, Qt::Key_Period);
        QCOMPARE(spy.count(), 0);
        QTest::keyRelease(&box, Qt::Key_Period);
        QCOMPARE(spy.count(), 1);
        QTest::keyRelease(&box, Qt::Key_1);
        QTest::keyRelease(&box, Qt::Key_Comma);
        QCOMPARE(spy.count(), 1);
    }

    void titleFrameReportsPressDragAndDoubleClick()
    {
        TopCustomFrame frame;
        frame.resize(200, 40);
        frame.show();
        QSignalSpy click(&frame, &TopCustomFrame::customClick);
        QSignalSpy move(&frame, &TopCustomFrame::customMove);
        QSignalSpy dbl(&frame, &TopCustomFrame::customDoubleClick);
        QTest::mousePress(&frame, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(click.count(), 1);
        QCOMPARE(click.at(0).at(0).toPoint(), frame.mapToGlobal(QPoint(10, 10)));
        QMouseEvent drag(QEvent::MouseMove, QPointF(20, 12),
                         QPointF(frame.mapToGlobal(QPoint(20, 12))), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&frame, &drag);
        QCOMPARE(move.count(), 1);
        QMouseEvent hover(QEvent::MouseMove, QPointF(30, 12),
                          QPointF(frame.mapToGlobal(QPoint(30, 12))), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&frame, &hover);
        QCOMPARE(move.count(), 1);
        QTest::mouseDClick(&frame, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(dbl.count(), 1);
    }
};

QTEST_MAIN(TestSharedWidgets)
#include "tst_SharedWidgets.moc"
