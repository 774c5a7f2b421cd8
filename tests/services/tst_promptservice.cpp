#include "services/ui/QtPromptService.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QtTest>

class TestPromptService : public QObject {
    Q_OBJECT

    // Lets `look` read the box the next prompt opens, then confirms it, passed or not.
    template <typename Look> void whenShown(Look look) {
        QTimer::singleShot(0, this, [look] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            const auto confirm = qScopeGuard([box] { box->button(QMessageBox::Ok)->click(); });
            look(box);
        });
    }

  private slots:
    void initTestCase() { QVERIFY(QtPromptService::installQtTranslation(*qApp)); }

    void everyTextIsShownWhole_data() {
        QTest::addColumn<QString>("text");
        QString path = QStringLiteral("d:\\");
        for (int i = 0; path.size() < 300; ++i)
            path += QStringLiteral("vqdata%1\\").arg(i);
        path.truncate(300);
        QTest::newRow("long path, no blanks") << path;
        QTest::newRow("long run without separators") << QString(300, u'x');
        QTest::newRow("path inside a sentence")
            << QStringLiteral("Cannot open backup device '%1'. Operating system error 3.")
                   .arg(path);
        QTest::newRow("characters beyond 16 bits")
            << u'a' + QString::fromUcs4(U"𠀀𠀁😀").repeated(40);
        QTest::newRow("short") << QStringLiteral("连接成功！");
        QTest::newRow("a long Chinese sentence")
            << QStringLiteral("已经成功的连接到数据库,并且将参数保存到了本地设置中!");
    }
    void everyTextIsShownWhole() {
        QFETCH(QString, text);
        bool looked = false;
        whenShown([&](QMessageBox* box) {
            QVERIFY(QTest::qWaitForWindowExposed(box));
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label);
            QCOMPARE(box->windowTitle(), QStringLiteral("系统提示窗口"));
            // What a screen reader is told the box says.
            QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(label);
            QVERIFY(spoken);
            QCOMPARE(spoken->text(QAccessible::Name), text);
            QVERIFY(QStringView(label->text()).isValidUtf16());
            QCOMPARE(box->icon(), QMessageBox::Information);
            QStringList buttons;
            for (QAbstractButton* button : box->buttons())
                buttons << button->text();
            QCOMPARE(buttons, QStringList{"确定"});
            QVERIFY(box->isModal());
            QVERIFY(box->screen()->availableGeometry().contains(box->frameGeometry()));
            QVERIFY(box->rect().contains(QRect(label->mapTo(box, QPoint()), label->size())));
            // Laid out at the label's width, the text needs no more room than the label has.
            const QRect room = label->contentsRect();
            const QRect needed = label->fontMetrics().boundingRect(
                QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, label->text());
            QVERIFY(needed.width() <= room.width() && needed.height() <= room.height());
            // The title stays whole beside a window manager's title-bar buttons.
            QVERIFY2(box->width() >= 300, qPrintable(QString::number(box->width())));
            looked = true;
        });
        QtPromptService prompts;
        prompts.t_f_ok(text);
        QVERIFY(looked);
    }

    // The reason of a failure waits behind the box's own details button, named in Chinese. A
    // handler's busy pointer does not hang over a box that waits for the user, and is back
    // once the box is confirmed.
    void detailBehindTheDetailsButtonUnderTheOrdinaryPointer() {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QString detailsButton;
        QString detailText;
        Qt::CursorShape whileShown = Qt::WaitCursor;
        whenShown([&](QMessageBox* box) {
            for (QAbstractButton* button : box->buttons())
                if (box->buttonRole(button) == QMessageBox::ActionRole)
                    detailsButton = button->text();
            detailText = box->detailedText();
            whileShown = QApplication::overrideCursor()->shape();
        });
        QtPromptService prompts;
        prompts.t_f_ok(QStringLiteral("保存失败!"),
                       QStringLiteral("String or binary data would be truncated."));
        QCOMPARE(detailsButton, QStringLiteral("显示详情..."));
        QCOMPARE(detailText, QStringLiteral("String or binary data would be truncated."));
        QCOMPARE(whileShown, Qt::ArrowCursor);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QApplication::restoreOverrideCursor();
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TestPromptService)
#include "tst_promptservice.moc"
