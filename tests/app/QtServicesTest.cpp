// The Qt sides of the core's screen interfaces, called from worker threads as
// the reader and key-rewrite threads do.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

#include <atomic>
#include <thread>

#include "app/CommandBoxView.h"
#include "app/QtDialogService.h"
#include "app/QtEventPump.h"
#include "tests/app/AppTestSupport.h"

namespace vkr {
namespace {

TEST(QtServices, AMessageFromAWorkerWaitsForTheUiThreadToShowIt) {
    QtDialogService dialogs;
    dialogs.SetAutoAnswer(true);
    std::atomic<bool> returned = false;
    std::thread worker([&] {
        dialogs.ShowMessage(Utf8ToCp936("端口被占用"), Utf8ToCp936("警告"));
        returned = true;
    });
    // The worker can only return once the UI thread has served its call.
    EXPECT_TRUE(test::ServeEventsUntil([&] { return returned.load(); }));
    worker.join();
    const std::vector<ShownMessage> shown = dialogs.ShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(Cp936ToUtf8(shown[0].text), "端口被占用");
    EXPECT_EQ(Cp936ToUtf8(shown[0].title), "警告");
}

TEST(QtServices, ClipboardTakesTheTextConvertedFromCp936) {
    QtDialogService dialogs;
    dialogs.SetClipboardText(Utf8ToCp936("下载地址 https://127.0.0.1/jdk"));
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("下载地址 https://127.0.0.1/jdk"));
}

TEST(QtServices, CommandBoxIsLockedAndUnlockedFromAnyThread) {
    QLineEdit box;
    CommandBoxView view;
    view.SetCommandBox(&box);
    view.SetCommandBoxEnabled(false);
    EXPECT_FALSE(box.isEnabled()) << "on the UI thread the change is immediate";
    std::thread([&] { view.SetCommandBoxEnabled(true); }).join();
    EXPECT_TRUE(test::ServeEventsUntil([&] { return box.isEnabled(); }));
}

TEST(QtServices, EventPumpServesWhatArrivesWhileItWaits) {
    QtEventPump pump;
    QObject receiver;
    std::atomic<bool> served = false;
    std::thread poster([&] {
        QMetaObject::invokeMethod(&receiver, [&] { served = true; }, Qt::QueuedConnection);
    });
    poster.join();
    pump.ServePendingEvents(5000);  // the posted call ends the wait
    EXPECT_TRUE(served);

    served = false;
    std::thread([&] { QtEventPump().ServePendingEvents(10); served = true; }).join();
    EXPECT_TRUE(served) << "off the UI thread it returns without touching the event loop";
}

}  // namespace
}  // namespace vkr
