// One character of a test's key script typed as the user types it: '\n' is Return, '\b'
// Backspace, '\x7f' Delete, anything else the key of that character.
#pragma once

#include <QChar>
#include <QTest>
#include <QWidget>

inline void typeKey(QWidget *target, QChar k)
{
    if (k == u'\n')
        QTest::keyClick(target, Qt::Key_Return);
    else if (k == u'\b')
        QTest::keyClick(target, Qt::Key_Backspace);
    else if (k == u'\x7f')
        QTest::keyClick(target, Qt::Key_Delete);
    else
        QTest::keyClick(target, k.toLatin1());
}
