#include "base/ReadableText.h"
#include "comm/MessageBoxDialogs.h"
#include "comm/TformPickPort.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {
// Runs action on the modal window once it is up.
void whenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, [action] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        action(QApplication::activeModalWidget());
    });
}
} // namespace

class tst_MessageBoxDialogs : public QObject
{
    Q_OBJECT

private slots:
    void warningButtons_data()
    {
        QTest::addColumn<int>("press"); // index into the buttons offered
        QTest::addColumn<int>("expected");
        QTest::newRow("Retry") << 1 << int(OperatorDialogs::Retry);
        QTest::newRow("Abort") << 0 << int(OperatorDialogs::Abort);
    }
    void warningButtons()
    {
        QFETCH(int, press);
        QFETCH(int, expected);
        MessageBoxDialogs dialogs;
        const QList<OperatorDialogs::Button> buttons{OperatorDialogs::Abort,
                                                     OperatorDialogs::Retry};
        QString shownText;
        QStringList shownButtons;
        whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            QCOMPARE(box->icon(), QMessageBox::Warning);
            shownText = box->text();
            for (QAbstractButton *b : box->buttons())
                shownButtons << b->text().remove('&');
            box->button(press == 0 ? QMessageBox::Abort : QMessageBox::Retry)->click();
        });
        QCOMPARE(int(dialogs.Warning("Error opening COM3: ", buttons)), expected);
        QCOMPARE(shownText, QString("Error opening COM3: "));
        shownButtons.sort();
        QCOMPARE(shownButtons, (QStringList{"Abort", "Retry"}));
    }

    void escapeGivesTheAnswerThatChangesLeast_data()
    {
        QTest::addColumn<QList<int>>("buttons");
        QTest::addColumn<int>("expected");
        using D = OperatorDialogs;
        QTest::newRow("Abort/Retry") << QList<int>{D::Abort, D::Retry} << int(D::Abort);
        QTest::newRow("Yes/No/Ignore keeps running")
            << QList<int>{D::Yes, D::No, D::Ignore} << int(D::Ignore);
        QTest::newRow("Yes/No") << QList<int>{D::Yes, D::No} << int(D::No);
    }
    void escapeGivesTheAnswerThatChangesLeast()
    {
        QFETCH(QList<int>, buttons);
        QFETCH(int, expected);
        QList<OperatorDialogs::Button> offered;
        for (int b : buttons)
            offered << OperatorDialogs::Button(b);
        MessageBoxDialogs dialogs;
        whenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(int(dialogs.Warning("Communications lost. Restart?", offered)), expected);
    }

    // An unprompted question: keys in its first half-second are dropped, and Return or
    // Space takes no drastic button the operator did not give the focus to.
    void strayKeysDoNotAnswerAQuestion_data()
    {
        using D = OperatorDialogs;
        QTest::addColumn<QList<int>>("buttons");
        QTest::addColumn<int>("waitMs"); // after the box appears, before the keys
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("expected"); // No: the keys did not answer; -1: the focused one
        const QList<int> yesNo{D::Yes, D::No};
        const QList<int> yesNoIgnore{D::Yes, D::No, D::Ignore};
        QTest::newRow("Space at once") << yesNo << 0 << QList<int>{Qt::Key_Space} << int(D::No);
        QTest::newRow("Return at once, Ignore offered")
            << yesNoIgnore << 0 << QList<int>{Qt::Key_Return} << int(D::No);
        QTest::newRow("a letter at once") << yesNo << 0 << QList<int>{Qt::Key_N, Qt::Key_Y}
                                          << int(D::No);
        QTest::newRow("Return and Space later, no button chosen")
            << yesNo << 700 << QList<int>{Qt::Key_Return, Qt::Key_Space, Qt::Key_Enter}
            << int(D::No);
        QTest::newRow("Return later, Ignore offered: Ignore")
            << yesNoIgnore << 700 << QList<int>{Qt::Key_Return} << int(D::Ignore);
        QTest::newRow("Tab to a button, then Space: that button")
            << yesNo << 700 << QList<int>{Qt::Key_Tab, Qt::Key_Space} << -1;
    }
    void strayKeysDoNotAnswerAQuestion()
    {
        QFETCH(QList<int>, buttons);
        QFETCH(int, waitMs);
        QFETCH(QList<int>, keys);
        QFETCH(int, expected);
        QList<OperatorDialogs::Button> offered;
        for (int b : buttons)
            offered << OperatorDialogs::Button(b);
        MessageBoxDialogs dialogs;
        QPointer<QMessageBox> shown;
        int focused = -1;
        bool byKeys = false;
        whenModal([&](QWidget *w) {
            shown = qobject_cast<QMessageBox *>(w);
            QVERIFY(shown);
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(w));
            QTest::qWait(waitMs);
            for (int key : keys) {
                QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : w;
                if (key == Qt::Key_Space && shown)
                    if (auto *b = qobject_cast<QAbstractButton *>(target))
                        focused = shown->buttonRole(b) == QMessageBox::YesRole ? int(OperatorDialogs::Yes)
                                                                              : int(OperatorDialogs::No);
                QTest::keyClick(target, Qt::Key(key));
            }
            QTest::qWait(300); // a mnemonic clicks after an animation
            byKeys = !shown || !shown->isVisible();
            if (!byKeys)
                shown->button(QMessageBox::No)->click();
        });
        const int answer = int(dialogs.Question("Port no longer available, restart?", offered,
                                                {OperatorDialogs::Yes, OperatorDialogs::No}));
        QCOMPARE(byKeys, expected != int(OperatorDialogs::No));
        QCOMPARE(answer, expected == -1 ? focused : expected);
    }

    void information()
    {
        MessageBoxDialogs dialogs;
        QString shown;
        whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            QCOMPARE(box->icon(), QMessageBox::Information);
            shown = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.Information("Raw read error.");
        QCOMPARE(shown, QString("Raw read error."));
    }

    // What an instrument sent reaches a box bounded and readable, never as markup.
    void replyText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "Raw read error."
                               << "Raw read error.";
        QTest::newRow("line breaks kept, both orders")
            << "No device found. Try to reconnect?\n\r\n\rMake sure\r\nbefore"
            << "No device found. Try to reconnect?\n\r\n\rMake sure\r\nbefore";
        QTest::newRow("control bytes made visible")
            << QString::fromLatin1("ERR\x01 \x1b[2J\x7f\x85 a\rb\tc\0d", 19)
            << "ERR\\x01 \\x1B[2J\\x7F\\x85 a\\x0Db\\x09c\\x00d";
        QTest::newRow("markup shown as it is") << "<b>OK</b> &amp;"
                                               << "<b>OK</b> &amp;";
        const QString digits = QString("1234567890").repeated(800);
        QTest::newRow("8,000 digits shortened")
            << "'" + digits + "' is not a valid integer value"
            << "'" + digits.left(31) + QString(u'\u2026') + digits.right(15) +
                   "' (8002 characters) is not a valid integer value";
        const int lines = ReadableTextLimits::MaxLines;
        QTest::newRow("lines cut")
            << QString("line\n").repeated(lines + 10)
            << QString("line\n").repeated(lines - 1) + "line" + QString(u'\u2026');
        QTest::newRow("length cut") << QString("abcdefghi ").repeated(200)
                                    << QString("abcdefghi ").repeated(120) + QString(u'\u2026');
    }
    void replyText()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        MessageBoxDialogs dialogs;
        QString information;
        QString warning;
        int widest = 0;
        auto look = [&](QString &into) {
            return [&](QWidget *w) {
                auto *box = qobject_cast<QMessageBox *>(w);
                QVERIFY(box);
                QCOMPARE(box->textFormat(), Qt::PlainText);
                into = box->text();
                widest = qMax(widest, box->width());
                box->buttons().first()->click();
            };
        };
        whenModal(look(information));
        dialogs.Information(text);
        whenModal(look(warning));
        dialogs.Warning(text, {OperatorDialogs::Ok});
        QCOMPARE(information, shown);
        QCOMPARE(warning, shown);
        QVERIFY2(widest <= 640, qPrintable(QString::number(widest)));
    }

    void pickPort_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("choose"); // -1: leave the selection
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("expected");
        const QStringList ports{"COM1", "COM4", "COM100"};
        QTest::newRow("OK on the preselected port") << ports << 1 << -1 << true << 1;
        QTest::newRow("another port chosen") << ports << 1 << 2 << true << 2;
        QTest::newRow("cancelled") << ports << 1 << 2 << false << -1;
        QTest::newRow("OK with nothing selected") << ports << -1 << -1 << true << -1;
        QTest::newRow("OK on an empty list") << QStringList{} << -1 << -1 << true << -1;
    }
    void pickPort()
    {
        QFETCH(QStringList, entries);
        QFETCH(int, selected);
        QFETCH(int, choose);
        QFETCH(bool, ok);
        QFETCH(int, expected);
        MessageBoxDialogs dialogs;
        QStringList shown;
        QString tip;
        whenModal([&](QWidget *w) {
            auto *form = qobject_cast<TformPickPort *>(w);
            QVERIFY(form);
            QCOMPARE(form->windowTitle(), QString("Select Serial Port"));
            QCOMPARE(form->GroupBox1->title(), QString("Serial Port"));
            QVERIFY(!form->listPorts->isEditable());
            QVERIFY(form->font().bold());
            QVERIFY(!(form->windowFlags() & Qt::WindowCloseButtonHint));
            QCOMPARE(form->listPorts->currentIndex(), selected);
            for (int i = 0; i < form->listPorts->count(); ++i)
                shown << form->listPorts->itemText(i);
            tip = form->listPorts->itemData(0, Qt::ToolTipRole).toString();
            if (choose >= 0)
                form->listPorts->setCurrentIndex(choose);
            (ok ? form->OKBtn : form->CancelBtn)->click();
        });
        QStringList tips;
        for (const QString &e : entries)
            tips << "/dev/x" + e;
        QCOMPARE(dialogs.PickPort(entries, selected, tips), expected);
        QCOMPARE(shown, entries);
        if (!entries.isEmpty())
            QCOMPARE(tip, QString("/dev/xCOM1"));
    }
};

QTEST_MAIN(tst_MessageBoxDialogs)
#include "tst_MessageBoxDialogs.moc"
