#pragma once

#include "services/ui/LogicalUnits.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRect>
#include <QtTest>

// A page's controls as laid out, one row per objectName: class, caption (a group box's title,
// a note's plain text, otherwise the text), place in page units and accessible name (null: the
// caption without its '&'). A page test's own columns follow these.
namespace LayoutTable {

inline void addColumns() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("units");
    QTest::addColumn<QString>("accessible");
}

inline QTestData& row(const char* name, const char* kind, const QString& caption, QRect units,
                      const QString& accessible = QString()) {
    return QTest::newRow(name) << QString(kind) << caption << units << accessible;
}

// Checks the current row's control, a child of page; null (the case has failed) unless all hold.
inline QWidget* check(QWidget* page) {
    QWidget* control = nullptr;
    [&] {
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        QFETCH(QRect, units);
        QFETCH(QString, accessible);
        auto* w = page->findChild<QWidget*>(QTest::currentDataTag());
        QVERIFY(w);
        QCOMPARE(w->parentWidget(), page);
        QCOMPARE(w->metaObject()->className(), kind.toLatin1());
        const char* property = qobject_cast<QGroupBox*>(w)        ? "title"
                               : qobject_cast<QPlainTextEdit*>(w) ? "plainText"
                                                                  : "text";
        QCOMPARE(w->property(property).toString(), caption);
        QCOMPARE(w->accessibleName(),
                 accessible.isNull() ? QString(caption).remove(u'&') : accessible);
        QCOMPARE(w->geometry(),
                 LogicalUnits::toPixels(units.x(), units.y(), units.width(), units.height()));
        control = w;
    }();
    return control;
}

} // namespace LayoutTable
