#include "services/ui/QtPromptService.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {

// What the open box shows, read while it waits for the user.
struct Shown {
    bool found = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    bool modal = false;
    bool insideScreen = false;
    bool labelInsideBox = false;
    bool textFitsLabel = false;
    bool wholeCharacters = false;
};

Shown inspect(QMessageBox* box) {
    Shown s;
    const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return s;
    s.found = true;
    s.title = box->windowTitle();
    // Break opportunities the box may have added are not part of the text.
    s.text = label->text().remove(QChar(0x200B));
    s.wholeCharacters = QStringView(label->text()).isValidUtf16();
    s.icon = box->icon();
    s.buttons = int(box->buttons().size());
    s.modal = box->isModal();
    s.insideScreen = box->screen()->availableGeometry().contains(box->frameGeometry());
    s.labelInsideBox = box->rect().contains(QRect(label->mapTo(box, QPoint()), label->size()));
    // Laid out at the label's width, the text needs no more room than the label has.
    const QRect room = label->contentsRect();
    const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, room.width(), 100000),
                                                           Qt::TextWordWrap, label->text());
    s.textFitsLabel = needed.width() <= room.width() && needed.height() <= room.height();
    return s;
}

} // namespace

class TestPromptService : public QObject {
    Q_OBJECT

  private slots:
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
    }
    void everyTextIsShownWhole() {
        QFETCH(QString, text);
        Shown shown;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QVERIFY(QTest::qWaitForWindowExposed(box));
            shown = inspect(box);
            box->button(QMessageBox::Ok)->click();
        });
        QtPromptService prompts;
        prompts.t_f_ok(text);
        QVERIFY(shown.found);
        QCOMPARE(shown.title, QStringLiteral("系统提示窗口"));
        QCOMPARE(shown.text, text);
        QCOMPARE(shown.icon, QMessageBox::Information);
        QCOMPARE(shown.buttons, 1);
        QVERIFY(shown.modal);
        QVERIFY(shown.insideScreen);
        QVERIFY(shown.labelInsideBox);
        QVERIFY(shown.textFitsLabel);
        QVERIFY(shown.wholeCharacters);
    }

    // A handler's busy pointer does not hang over a box that waits for the user, and is back
    // once the box is confirmed.
    void boxShowsTheOrdinaryPointer() {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        Qt::CursorShape whileShown = Qt::WaitCursor;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            whileShown = QApplication::overrideCursor()->shape();
            box->button(QMessageBox::Ok)->click();
        });
        QtPromptService prompts;
        prompts.t_f_ok(QStringLiteral("保存成功!"));
        QCOMPARE(whileShown, Qt::ArrowCursor);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QApplication::restoreOverrideCursor();
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TestPromptService)
#include "tst_promptservice.moc"
