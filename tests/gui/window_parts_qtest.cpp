#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTreeWidgetItemIterator>
#include <QtTest>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "app/gui/drives.h"
#include "app/gui/folder_tree.h"
#include "app/gui/message_box.h"
#include "gui_test_support.h"

namespace tecris2nx {

class WindowPartsTest : public QObject {
  Q_OBJECT

 private slots:
  void volumeRoots_data() {
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QStringList>("roots");
    QTest::newRow("pseudo and system mounts left out")
        << QByteArray(
               "proc /proc proc rw 0 0\n"
               "sysfs /sys sysfs rw 0 0\n"
               "tmpfs /dev/shm tmpfs rw 0 0\n"
               "tmpfs /run tmpfs rw 0 0\n"
               "tmpfs /run/user/1000 tmpfs rw 0 0\n"
               "/dev/vda / ext4 rw 0 0\n"
               "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
               "/dev/loop3 /snap/core/1 squashfs ro 0 0\n")
        << QStringList{"/"};
    QTest::newRow("root first, the rest by name, each once")
        << QByteArray(
               "/dev/sdb1 /media/usb vfat rw 0 0\n"
               "/dev/sda2 /home ext4 rw 0 0\n"
               "/dev/sda1 / ext4 rw 0 0\n"
               "/dev/sdb1 /media/usb vfat rw 0 0\n"
               "tmpfs /tmp tmpfs rw 0 0\n")
        << QStringList{"/", "/home", "/media/usb", "/tmp"};
    QTest::newRow("escaped blanks in mount points")
        << QByteArray("/dev/sdc1 /media/My\\040Disk exfat rw 0 0\n")
        << QStringList{"/", "/media/My Disk"};
    QTest::newRow("a table without the root still offers it")
        << QByteArray("overlay /data overlay rw 0 0\n\nbroken-line\n") << QStringList{"/", "/data"};
    QTest::newRow("/devices is not /dev")
        << QByteArray("/dev/sdd1 /devices ext4 rw 0 0\n") << QStringList{"/", "/devices"};
  }
  void volumeRoots() {
    QFETCH(QByteArray, table);
    QFETCH(QStringList, roots);
    QCOMPARE(VolumeRootsFromMounts(table), roots);
  }

  void messageLook_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::newRow("0 OK only") << 0 << int(QMessageBox::NoIcon) << int(QMessageBox::Ok);
    QTest::newRow("36 question") << 36 << int(QMessageBox::Question)
                                 << int(QMessageBox::Yes | QMessageBox::No);
    QTest::newRow("48 exclamation") << 48 << int(QMessageBox::Warning) << int(QMessageBox::Ok);
    QTest::newRow("64 information") << 64 << int(QMessageBox::Information) << int(QMessageBox::Ok);
    QTest::newRow("unknown") << 5 << int(QMessageBox::NoIcon) << int(QMessageBox::Ok);
  }
  void messageLook() {
    QFETCH(int, style);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    const auto box =
        MakeMessageBox(nullptr, {U"本文", static_cast<MessageStyle>(style), U"題", Text()});
    QCOMPARE(int(box->icon()), icon);
    QCOMPARE(int(box->standardButtons()), buttons);
    QCOMPARE(box->windowTitle(), QStringLiteral("題"));
  }

  void answers() {
    QCOMPARE(int(AnswerOfButton(QMessageBox::Yes)), 6);
    QCOMPARE(int(AnswerOfButton(QMessageBox::No)), 7);
    QCOMPARE(int(AnswerOfButton(QMessageBox::Ok)), 1);
  }

  void messageBoxDetails() {
    const auto plain =
        MakeMessageBox(nullptr, {U"<b>C:\\a&b</b>", MessageStyle::kOkOnly, Text(), Text()});
    QCOMPARE(plain->windowTitle(), QStringLiteral("TECRIS -> Nx 変換プログラム"));
    QCOMPARE(plain->textFormat(), Qt::PlainText);
    QCOMPARE(plain->text(), QStringLiteral("<b>C:\\a&b</b>"));
    // Closing the question with Escape answers No, never Yes.
    const auto question =
        MakeMessageBox(nullptr, {U"?", MessageStyle::kYesNoQuestion, Text(), Text()});
    QCOMPARE(question->standardButton(question->escapeButton()), QMessageBox::No);
  }

  void standardButtonsInJapanese() {
    QVERIFY(InstallQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
    const auto box = MakeMessageBox(nullptr, {U"?", MessageStyle::kYesNoQuestion, Text(), Text()});
    QVERIFY(box->button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")));
    QVERIFY(box->button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
  }

  void folderTreeShowsFoldersOnly() {
    QTemporaryDir dir;
    const QString root = CleanFolderPath(dir.path());
    QDir(root).mkpath("a/b/c");
    QDir(root).mkpath("a/b/Second");
    QDir(root).mkpath("a/b/.hidden");
    testing::WriteCp932(root, "a/b/file.txt", "x");
#ifndef _WIN32
    // Links are shown only when they lead to a folder.
    QVERIFY(QFile::link(root + "/a/b/c", root + "/a/b/link"));
    QVERIFY(QFile::link("/dev/null", root + "/a/b/device"));
    QVERIFY(QFile::link(root + "/a/b/missing", root + "/a/b/nothing"));
    QCOMPARE(mkfifo(QFile::encodeName(root + "/a/b/fifo").constData(), 0600), 0);
    QVERIFY(QFile::link(root + "/a/b/fifo", root + "/a/b/to-fifo"));
#endif

    FolderTree tree;
    QSignalSpy changed(&tree, &FolderTree::PathChanged);
    QVERIFY(tree.SetLocation(root, root + "/a/b"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(tree.Path(), root + "/a/b");
    QCOMPARE(FolderTree::PathOf(tree.currentItem()), root + "/a/b");

    QStringList shown;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it) shown << FolderTree::PathOf(*it);
    QStringList expected{root, root + "/a", root + "/a/b", root + "/a/b/c"};
#ifndef _WIN32
    expected << root + "/a/b/link";
#endif
    expected << root + "/a/b/Second";
    QCOMPARE(shown, expected);

    // The same place again is no change.
    QVERIFY(tree.SetPath(root + "/a/b"));
    QCOMPARE(changed.count(), 1);
  }

  void folderTreeRefusals_data() {
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing folder") << "missing";
    QTest::newRow("a file") << "file.txt";
    QTest::newRow("outside the drive") << "..";
  }
  void folderTreeRefusals() {
    QFETCH(QString, relative);
    QTemporaryDir dir;
    const QString root = CleanFolderPath(dir.path()) + "/drive";
    QDir().mkpath(root + "/kept");
    testing::WriteCp932(root, "file.txt", "x");
    FolderTree tree;
    QVERIFY(tree.SetLocation(root, root + "/kept"));
    QSignalSpy changed(&tree, &FolderTree::PathChanged);
    QVERIFY(!tree.SetPath(root + "/" + relative));
    QCOMPARE(tree.Path(), root + "/kept");
    QCOMPARE(changed.count(), 0);
  }

  void folderTreeClickMoves() {
    QTemporaryDir dir;
    const QString root = CleanFolderPath(dir.path());
    QDir(root).mkpath("sub/deeper");
    FolderTree tree;
    tree.resize(300, 300);
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));
    QVERIFY(tree.SetLocation(root, root));
    const auto found = tree.findItems("sub", Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(found[0]).center());
    QTRY_COMPARE(tree.Path(), root + "/sub");
    // The parent is shown above and can be clicked to go back up.
    const auto up = tree.findItems(QDir::toNativeSeparators(root), Qt::MatchExactly);
    QCOMPARE(up.size(), 1);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(up[0]).center());
    QTRY_COMPARE(tree.Path(), root);
  }
};

}  // namespace tecris2nx

QTEST_MAIN(tecris2nx::WindowPartsTest)
#include "window_parts_qtest.moc"
