// The Qt platform's real modal boxes and dialog, closed by the test as a user would close them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <string>
#include <vector>

#include "common/ModalCloser.h"
#include "platform/QtPlatform.h"

namespace {

// The cursor the application shows over its windows: the top of the override stack, or none.
bool Busy() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

}  // namespace

TEST(QtPlatform, BoxesAndTheSelectionDialogLeaveTheBusyCursorAsTheyFoundIt) {
    CQtPlatform platform;
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    std::vector<bool> busyWhileOpen;
    CModalCloser closer([&busyWhileOpen](QWidget* modal) {
        busyWhileOpen.push_back(QApplication::overrideCursor() != nullptr);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->accept();
        }
    });
    const std::vector<std::string> names = {"VXI0::24::INSTR", "VXI0::25::INSTR"};
    std::string chosen;

    // Two operations under way, each with its busy cursor, when a box opens.
    platform.BeginWaitCursor();
    platform.BeginWaitCursor();
    platform.MessageBox("first");
    EXPECT_TRUE(Busy()) << "back over the operation after the box";
    EXPECT_TRUE(platform.SelectInstrument(names, chosen));
    EXPECT_EQ(chosen, names[0]);
    EXPECT_TRUE(Busy()) << "back over the operation after the dialog";
    platform.EndWaitCursor();
    EXPECT_TRUE(Busy()) << "the outer operation is still under way";
    platform.EndWaitCursor();
    EXPECT_FALSE(Busy());
    platform.EndWaitCursor();  // one too many changes nothing

    // With nothing under way, neither a box nor the dialog brings it back.
    platform.MessageBox("second");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(platform.SelectInstrument(names, chosen));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(busyWhileOpen, (std::vector<bool>{false, false, false, false}))
        << "no busy cursor over a window that waits for the user";
    EXPECT_EQ(closer.texts, (QStringList{"first", "second"}));
}

TEST(QtPlatform, ALongTextScrollsInsideABoxThatFitsTheScreen) {
    CQtPlatform platform;
    std::string text = "90 more entries of the instrument's error queue:";
    for (int i = 0; i < 90; ++i) {
        text += "\n-350 Queue overflow " + std::to_string(i);
    }
    int boxHeight = 0;
    QString scrolled;
    CModalCloser closer([&](QWidget* modal) {
        boxHeight = modal->frameGeometry().height();
        if (auto* scroll = modal->findChild<QScrollArea*>()) {
            if (auto* label = qobject_cast<QLabel*>(scroll->widget())) {
                scrolled = label->text();
            }
        }
        qobject_cast<QDialog*>(modal)->accept();
    });
    platform.MessageBox(text);
    EXPECT_EQ(scrolled.toStdString(), text) << "the whole text, in the scrolling part";
    EXPECT_GT(boxHeight, 0);
    EXPECT_LE(boxHeight, QApplication::primaryScreen()->availableGeometry().height());

    // A short one is a plain box.
    scrolled.clear();
    platform.MessageBox("Time Out !");
    EXPECT_TRUE(scrolled.isEmpty());
}
