#include "gui/AlertD.h"
#include "gui/FormMain.h"
#include "gui/SoundD.h"
#include "support/Controls.h"
#include "support/Files.h"
#include "support/ProgramRig.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QStringList keys{u"DateTimeE"_s, u"StartupE"_s, u"ShutdownE"_s, u"IConnectE"_s, u"IDisConnectE"_s};

/// The program with its event sounds dialog; the dialog is left to the tests, message boxes are
/// logged with their icons and answered.
struct Sounds
{
    explicit Sounds(const QByteArray& data = {}, const QByteArray& texts = {})
    {
        if (!data.isEmpty()) {
            writeFile(rig.path(u"reminder.nld"_s), data);
            writeFile(rig.path(u"reminder.nlt"_s), texts);
        }
        rig.start();
        form = rig.windows->mainForm();
        d = rig.windows->soundDialog();
        rig.closer.handler = [this](QWidget* w) {
            if (w == d || w->objectName() == u"FileWindow"_s) {
                return true;
            }
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                boxIcons.append(box->icon());
            }
            if (w == rig.windows->alertDialog()) {
                alerts.append(child<QLabel>(w, "AlertL")->text());
                child<QPushButton>(w, "OKSB")->click();
                return true;
            }
            return false;
        };
    }

    QList<QLineEdit*> fields() const
    {
        QList<QLineEdit*> edits;
        for (const QString& key : keys) {
            edits.append(child<QLineEdit>(d, key.toLatin1().constData()));
        }
        return edits;
    }
    QPushButton* button(const char* name) const { return child<QPushButton>(d, name); }
    QLineEdit* field(const char* name) const { return child<QLineEdit>(d, name); }
    QStringList texts() const
    {
        QStringList t;
        for (QLineEdit* f : fields()) {
            t.append(f->text());
        }
        return t;
    }
    QString path(const QString& name) const { return rig.path(name); }
    QString genSound() const { return path(u"sounds/GenSound.wav"_s); }

    /// sounds.ini with the given key=value lines, as the dialog would write them.
    void writeIni(const QStringList& lines)
    {
        writeFile(d->iniPath(), (u"[Sounds]\r\n"_s + lines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8());
    }
    /// A file that stands for a sound; the fake output plays anything.
    QString soundFile(const QString& name)
    {
        writeFile(path(name), "RIFF");
        return path(name);
    }

    bool show()
    {
        d->show();
        d->activateWindow();
        return QTest::qWaitForWindowActive(d, 10000);
    }
    /// The window system hands the focus back to the dialog, as it does when a window on top closes.
    bool reactivate()
    {
        QApplication::setActiveWindow(d);
        return QTest::qWaitFor([this] { return d->isActiveWindow(); }, 10000);
    }

    ProgramRig rig;
    TMainForm* form = nullptr;
    TSoundDialog* d = nullptr;
    QList<QMessageBox::Icon> boxIcons;
    QStringList alerts;
};

} // namespace

class TestSoundDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void activation_readsTheStoredPaths();
    void ok_fillsEmptyRowsWithGenSoundAndWritesEveryKey();
    void default_thenOkWritesTheShippedSounds();
    void default_thenCancelStoresNothing();
    void browse_fillsOnlyItsOwnRow_data();
    void browse_fillsOnlyItsOwnRow();
    void browse_choiceSurvivesTheReturnFromTheFileWindow_data();
    void browse_choiceSurvivesTheReturnFromTheFileWindow();
    void ok_unwritableIniKeepsTheDialogAndItsEdits();

    void play_noFileReportsNotFound_data();
    void play_noFileReportsNotFound();
    void play_eachFlagPlaysItsOwnFile_data();
    void play_eachFlagPlaysItsOwnFile();
    void play_unplayableFileShowsItsError();
    void play_unplayableFileStillLetsTheAlertShow();
    void play_leavesTheOpenDialogsFields();
    void play_leavesAnOpenFileWindowWhereTheUserWent();
    void player_reportsThroughItsSeam_data();
    void player_reportsThroughItsSeam();
};

void TestSoundDialog::activation_readsTheStoredPaths()
{
    Sounds s;
    QVERIFY(s.show());
    QCOMPARE(s.texts(), QStringList(5));
    QVERIFY(!QFile::exists(s.d->iniPath()));
    QCOMPARE(s.d->windowTitle(), u"Define events sounds"_s);

    // Becoming active again reloads the file, written meanwhile by another hand.
    s.writeIni({u"StartupE=/music/start.wav"_s, u"IDisConnectE=/music/bye.wav"_s});
    s.field("StartupE")->setText(u"unsaved"_s);
    QApplication::setActiveWindow(nullptr);
    QVERIFY(s.reactivate());
    QCOMPARE(s.texts(), (QStringList{QString(), u"/music/start.wav"_s, QString(), QString(), u"/music/bye.wav"_s}));
    s.button("CancelSB")->click();
}

void TestSoundDialog::ok_fillsEmptyRowsWithGenSoundAndWritesEveryKey()
{
    Sounds s;
    QVERIFY(s.show());
    s.field("ShutdownE")->setText(u"/music/off.wav"_s);
    QTest::mouseClick(s.button("OKSB"), Qt::LeftButton);
    QVERIFY(!s.d->isVisible());
    QVERIFY(s.rig.closer.messages.isEmpty());
    const QString gen = s.genSound();
    QCOMPARE(s.texts(), (QStringList{gen, gen, u"/music/off.wav"_s, gen, gen}));
    QCOMPARE(readFile(s.d->iniPath()),
             (u"[Sounds]\r\nDateTimeE="_s + gen + u"\r\nStartupE="_s + gen +
              u"\r\nShutdownE=/music/off.wav\r\nIConnectE="_s + gen + u"\r\nIDisConnectE="_s + gen + u"\r\n"_s)
                 .toUtf8());
}

void TestSoundDialog::default_thenOkWritesTheShippedSounds()
{
    Sounds s;
    QVERIFY(s.show());
    QTest::mouseClick(s.button("DefaultSB"), Qt::LeftButton);
    QTest::mouseClick(s.button("OKSB"), Qt::LeftButton);
    const QString p = s.rig.dir.path();
    QCOMPARE(readFile(s.d->iniPath()),
             (u"[Sounds]\r\n"
              u"DateTimeE="_s +
              p + u"/sounds/GenSound.wav\r\n"_s + u"StartupE="_s + p + u"/sounds/Startup Sound.wav\r\n"_s +
              u"ShutdownE="_s + p + u"/sounds/ShutDown Sound.wav\r\n"_s + u"IConnectE="_s + p +
              u"/sounds/IConnect Sound.wav\r\n"_s + u"IDisConnectE="_s + p + u"/sounds/IDisConnect Sound.wav\r\n"_s)
                 .toUtf8());
}

void TestSoundDialog::default_thenCancelStoresNothing()
{
    Sounds s;
    s.writeIni({u"DateTimeE=/music/tick.wav"_s});
    const QByteArray stored = readFile(s.d->iniPath());
    QVERIFY(s.show());
    QCOMPARE(s.field("DateTimeE")->text(), u"/music/tick.wav"_s);
    QTest::mouseClick(s.button("DefaultSB"), Qt::LeftButton);
    QCOMPARE(s.field("IConnectE")->text(), s.path(u"sounds/IConnect Sound.wav"_s));
    QTest::mouseClick(s.button("CancelSB"), Qt::LeftButton);
    QVERIFY(!s.d->isVisible());
    QCOMPARE(readFile(s.d->iniPath()), stored);

    QVERIFY(s.show());
    QCOMPARE(s.texts(), (QStringList{u"/music/tick.wav"_s, QString(), QString(), QString(), QString()}));
    QVERIFY(s.d->close()); // the close box is Cancel too
    QCOMPARE(readFile(s.d->iniPath()), stored);
}

void TestSoundDialog::browse_fillsOnlyItsOwnRow_data()
{
    QTest::addColumn<int>("row");
    for (int row = 0; row < 5; ++row) {
        QTest::addRow("BrowseSB%d", row + 1) << row;
    }
}

void TestSoundDialog::browse_fillsOnlyItsOwnRow()
{
    QFETCH(int, row);
    Sounds s;
    s.writeIni({u"DateTimeE=/a.wav"_s, u"StartupE=/b.wav"_s, u"ShutdownE=/c.wav"_s, u"IConnectE=/d.wav"_s,
                u"IDisConnectE=/e.wav"_s});
    QVERIFY(s.show());
    const QStringList before = s.texts();
    QString answer; // the user cancels the file window first
    int asked = 0;
    s.d->setFileChooser([&] {
        ++asked;
        return answer;
    });
    auto* browse = child<QPushButton>(s.d, u"BrowseSB%1"_s.arg(row + 1).toLatin1().constData());
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(s.texts(), before);

    answer = u"/chosen/sound.wav"_s;
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(asked, 2);
    QStringList expected = before;
    expected[row] = answer;
    QCOMPARE(s.texts(), expected);
    QVERIFY(!QString::fromUtf8(readFile(s.d->iniPath())).contains(answer)); // nothing written before OK
    s.button("CancelSB")->click();
}

void TestSoundDialog::browse_choiceSurvivesTheReturnFromTheFileWindow_data()
{
    QTest::addColumn<bool>("native");
    QTest::newRow("file window of the program's own") << false;
    QTest::newRow("native file window") << true;
}

void TestSoundDialog::browse_choiceSurvivesTheReturnFromTheFileWindow()
{
    QFETCH(bool, native);
    Sounds s;
    QVERIFY(s.show());
    bool leftTheDialog = false;
    s.d->setFileChooser([&]() -> QString {
        if (native) {
            // The desktop's own file window takes the focus away from every window of the program.
            QApplication::setActiveWindow(nullptr);
            leftTheDialog = QTest::qWaitFor([&] { return !s.d->isActiveWindow(); }, 10000);
            return s.path(u"picked.wav"_s);
        }
        // Stands in for the file window: a modal window of the dialog's own that takes the focus.
        QDialog fileWindow(s.d);
        fileWindow.setObjectName(u"FileWindow"_s);
        QTimer::singleShot(0, &fileWindow, [&] {
            QApplication::setActiveWindow(&fileWindow);
            leftTheDialog = QTest::qWaitFor([&] { return fileWindow.isActiveWindow(); }, 10000);
            fileWindow.accept();
        });
        fileWindow.exec();
        return s.path(u"picked.wav"_s);
    });
    QTest::mouseClick(s.button("BrowseSB2"), Qt::LeftButton);
    QVERIFY(leftTheDialog);
    QVERIFY(s.reactivate());
    QCOMPARE(s.field("StartupE")->text(), s.path(u"picked.wav"_s));
    QTest::mouseClick(s.button("OKSB"), Qt::LeftButton);
    QVERIFY(QString::fromUtf8(readFile(s.d->iniPath())).contains(u"StartupE="_s + s.path(u"picked.wav"_s)));
}

void TestSoundDialog::ok_unwritableIniKeepsTheDialogAndItsEdits()
{
    Sounds s;
    // A folder where the file should be: not even root can write it.
    QVERIFY(QDir().mkpath(s.d->iniPath()));
    QVERIFY(s.show());
    s.field("ShutdownE")->setText(u"/music/off.wav"_s);
    QTest::mouseClick(s.button("OKSB"), Qt::LeftButton);
    QCOMPARE(s.rig.closer.messages, QStringList{u"Unable to write to "_s + s.d->iniPath()});
    QCOMPARE(s.boxIcons, QList<QMessageBox::Icon>{QMessageBox::Critical});
    QVERIFY(s.d->isVisible());
    // Back from the message, the dialog still holds what the user chose, ready for another try.
    QVERIFY(s.reactivate());
    const QString gen = s.genSound();
    QCOMPARE(s.texts(), (QStringList{gen, gen, u"/music/off.wav"_s, gen, gen}));

    QVERIFY(QDir(s.d->iniPath()).removeRecursively());
    QTest::mouseClick(s.button("OKSB"), Qt::LeftButton);
    QVERIFY(!s.d->isVisible());
    QCOMPARE(s.rig.closer.messages.size(), 1);
    QVERIFY(QString::fromUtf8(readFile(s.d->iniPath())).contains(u"ShutdownE=/music/off.wav\r\n"_s));
}

// --- The sound player -----------------------------------------------------------------------------

void TestSoundDialog::play_noFileReportsNotFound_data()
{
    QTest::addColumn<QString>("ini"); // the DateTimeE value; "-" for no sounds.ini at all
    QTest::addColumn<QChar>("flag");
    QTest::newRow("no sounds.ini") << u"-"_s << QChar(u'1');
    QTest::newRow("key missing") << QString() << QChar(u'2');
    QTest::newRow("empty path") << QString() << QChar(u'1');
    QTest::newRow("missing file") << u"{dir}/gone.wav"_s << QChar(u'1');
    QTest::newRow("a folder") << u"{dir}"_s << QChar(u'1');
    QTest::newRow("flag 7") << u"{dir}/tick.wav"_s << QChar(u'7');
    QTest::newRow("flag 0") << u"{dir}/tick.wav"_s << QChar(u'0');
}

void TestSoundDialog::play_noFileReportsNotFound()
{
    QFETCH(QString, ini);
    QFETCH(QChar, flag);
    Sounds s;
    s.soundFile(u"tick.wav"_s);
    if (ini != u"-"_s) {
        s.writeIni({u"DateTimeE="_s + QString(ini).replace(u"{dir}"_s, s.rig.dir.path())});
    }
    s.d->player().PlayEventSound(flag);
    QCOMPARE(s.rig.closer.messages, QStringList{u"Sound file not found!"_s});
    QCOMPARE(s.boxIcons, QList<QMessageBox::Icon>{QMessageBox::Critical});
    QCOMPARE(s.rig.sound.played, QStringList());
}

void TestSoundDialog::play_eachFlagPlaysItsOwnFile_data()
{
    QTest::addColumn<QChar>("flag");
    QTest::addColumn<int>("row");
    for (int row = 0; row < 5; ++row) {
        QTest::addRow("%d", row + 1) << QChar(u'1' + row) << row;
    }
}

void TestSoundDialog::play_eachFlagPlaysItsOwnFile()
{
    QFETCH(QChar, flag);
    QFETCH(int, row);
    Sounds s;
    QStringList lines;
    QStringList files;
    for (const QString& key : keys) {
        files.append(s.soundFile(key + u".wav"_s));
        lines.append(key + u'=' + files.last());
    }
    s.writeIni(lines);
    s.d->player().PlayEventSound(flag);
    QCOMPARE(s.rig.sound.played, QStringList{files.at(row)});
    QVERIFY(s.rig.closer.messages.isEmpty());
}

void TestSoundDialog::play_unplayableFileShowsItsError()
{
    Sounds s;
    const QString file = s.soundFile(u"broken.wav"_s);
    s.writeIni({u"DateTimeE="_s + file});
    s.rig.sound.error = u"The file is not a sound the player knows"_s;
    s.d->player().PlayEventSound(u'1');
    QCOMPARE(s.rig.sound.played, QStringList{file});
    QCOMPARE(s.rig.closer.messages, QStringList{s.rig.sound.error});
    QCOMPARE(s.boxIcons, QList<QMessageBox::Icon>{QMessageBox::Critical});
}

void TestSoundDialog::play_unplayableFileStillLetsTheAlertShow()
{
    Sounds s("Due - 08.12.26 - 11:00:00 - 0 - 1, - 0\r\nLater - 09.12.26 - 11:00:00 - 0 - 1, - 0\r\n",
             "-0-\r\nDue now\r\n==\r\n-1-\r\nTomorrow\r\n==\r\n");
    const QString file = s.soundFile(u"broken.wav"_s);
    s.writeIni({u"DateTimeE="_s + file});
    s.rig.sound.error = u"The file is not a sound the player knows"_s;
    s.form->TimerTimer();
    QCOMPARE(s.rig.sound.played, QStringList{file});
    QCOMPARE(s.rig.closer.messages, QStringList{s.rig.sound.error});
    QCOMPARE(s.alerts, QStringList{u"Due now"_s});
    QVERIFY(s.form->model().at(0).checked);
    QVERIFY(!s.form->model().at(1).checked);
}

void TestSoundDialog::play_leavesTheOpenDialogsFields()
{
    Sounds s;
    const QString stored = s.soundFile(u"stored.wav"_s);
    const QString edited = s.soundFile(u"edited.wav"_s);
    s.writeIni({u"DateTimeE="_s + stored, u"StartupE=/music/start.wav"_s});
    QVERIFY(s.show());
    s.field("DateTimeE")->setText(edited);
    s.field("StartupE")->clear();
    s.field("IConnectE")->setText(u"/music/new.wav"_s);
    s.d->player().PlayEventSound(u'1'); // a reminder fires while the dialog is open
    QCOMPARE(s.rig.sound.played, QStringList{stored});
    QCOMPARE(s.texts(), (QStringList{edited, QString(), QString(), u"/music/new.wav"_s, QString()}));
    QVERIFY(s.d->isVisible());
    QTest::mouseClick(s.button("OKSB"), Qt::LeftButton);
    QVERIFY(QString::fromUtf8(readFile(s.d->iniPath())).contains(u"DateTimeE="_s + edited + u"\r\n"_s));
}

void TestSoundDialog::play_leavesAnOpenFileWindowWhereTheUserWent()
{
    Sounds s;
    const QString stored = s.soundFile(u"stored.wav"_s);
    s.writeIni({u"DateTimeE="_s + stored});
    QVERIFY(QDir(s.rig.dir.path()).mkpath(u"music"_s));
    const QString elsewhere = s.path(u"music"_s);
    QVERIFY(s.show());
    s.field("ShutdownE")->setText(u"/music/typed.wav"_s);
    QString folderBefore;
    QString folderAfter;
    QStringList fieldsAfter;
    s.rig.closer.handler = [&](QWidget* w) {
        if (w == s.d) {
            return true;
        }
        auto* open = s.d->findChild<QFileDialog*>(u"OpenDialog"_s);
        if (!open || w != open) {
            return false;
        }
        folderBefore = open->directory().absolutePath();
        open->setDirectory(elsewhere);      // the user goes to another folder
        s.d->player().PlayEventSound(u'1'); // and a reminder fires meanwhile
        folderAfter = open->directory().absolutePath();
        fieldsAfter = s.texts();
        open->reject();
        return true;
    };
    QTest::mouseClick(s.button("BrowseSB3"), Qt::LeftButton);
    QCOMPARE(s.rig.sound.played, QStringList{stored});
    QCOMPARE(folderBefore, QDir(s.rig.dir.path()).absolutePath()); // it opened in the program folder
    QCOMPARE(folderAfter, elsewhere);
    QCOMPARE(fieldsAfter, (QStringList{stored, QString(), u"/music/typed.wav"_s, QString(), QString()}));
    QCOMPARE(s.field("ShutdownE")->text(), u"/music/typed.wav"_s);
    s.button("CancelSB")->click();
}

void TestSoundDialog::player_reportsThroughItsSeam_data()
{
    QTest::addColumn<QString>("dateTimeFile"); // the file DateTimeE names, written or not
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("outputError");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("helpContext");
    QTest::newRow("plays") << u"tick.wav"_s << true << QString() << QString() << -2;
    QTest::newRow("missing file") << u"gone.wav"_s << false << QString() << u"Sound file not found!"_s << 0;
    QTest::newRow("unplayable") << u"bad.wav"_s << true << u"Cannot play it"_s << u"Cannot play it"_s << -1;
}

void TestSoundDialog::player_reportsThroughItsSeam()
{
    QFETCH(QString, dateTimeFile);
    QFETCH(bool, exists);
    QFETCH(QString, outputError);
    QFETCH(QString, message);
    QFETCH(int, helpContext);
    QTemporaryDir dir;
    const QString file = dir.filePath(dateTimeFile);
    if (exists) {
        writeFile(file, "RIFF");
    }
    writeFile(dir.filePath(u"sounds.ini"_s), (u"[Sounds]\r\nDateTimeE="_s + file + u"\r\n"_s).toUtf8());
    FakeSoundOutput output;
    output.error = outputError;
    QStringList reports;
    int context = -2;
    EventSoundPlayer player(dir.filePath(u"sounds.ini"_s), output, [&](const QString& text, int help) {
        reports.append(text);
        context = help;
    });
    player.PlayEventSound(u'1');
    QCOMPARE(reports, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(context, helpContext);
    QCOMPARE(output.played, exists ? QStringList{file} : QStringList());
}

QTEST_MAIN(TestSoundDialog)
#include "tst_sounddialog.moc"
