#include "foundation/event/EventLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using s::i64;
using s::event::EventLoop;
using s::event::INamedEventListener;
using s::event::INamedEventSource;

namespace {

// Answers kUpdateUI with a + b and counts every event it sees, checking that
// it runs on the loop thread.
class Adder : public INamedEventListener {
public:
    explicit Adder(EventLoop& loop) : m_loop(loop) {}
    void onNamedEvent(INamedEventSource& source) override {
        ++seen;
        if (!m_loop.isLoopThread())
            ++offThread;
        if (source.getEventName() == s::event::kUpdateUI)
            source.setEventResult(source.getEventA() + source.getEventB());
    }
    int seen = 0; // loop thread only
    std::atomic<int> offThread{0};

private:
    EventLoop& m_loop;
};

template <class F> class Lambda : public INamedEventListener {
public:
    explicit Lambda(F f) : m_f(f) {}
    void onNamedEvent(INamedEventSource& source) override { m_f(source); }

private:
    F m_f;
};

} // namespace

TEST(EventLoop, DeliversOnTheLoopThreadAndReturnsTheResult) {
    EventLoop loop;
    Adder adder(loop);
    loop.addNamedEventListener(&adder);
    EXPECT_EQ(loop.sendEvent(s::event::kUpdateUI, 1, 2, nullptr), 0) << "not started: no receiver";
    ASSERT_TRUE(loop.start());
    EXPECT_FALSE(loop.start());
    EXPECT_FALSE(loop.isLoopThread());
    EXPECT_EQ(loop.sendEvent(s::event::kUpdateUI, 40, 2, nullptr), 42);
    // Same text, another pointer: names compare by identity only.
    static const char16_t otherCopy[] = u"UpdateUI";
    EXPECT_EQ(loop.sendEvent(otherCopy, 40, 2, nullptr), 0);
    loop.stop();
    EXPECT_EQ(adder.seen, 2);
    EXPECT_EQ(adder.offThread.load(), 0);
}

TEST(EventLoop, ListenersRunInOrderAndSeeTheObjectAndEarlierResults) {
    EventLoop loop;
    std::vector<int> order;
    std::vector<s::base::IObject*> objects;
    auto first = Lambda([&](INamedEventSource& e) {
        order.push_back(1);
        objects.push_back(e.getEventObject());
        e.setEventResult(7);
    });
    auto second = Lambda([&](INamedEventSource& e) {
        order.push_back(2);
        e.setEventResult(e.getEventA() * 10); // the last one wins
    });
    loop.addNamedEventListener(&first);
    loop.addNamedEventListener(&second);
    ASSERT_TRUE(loop.start());
    EXPECT_EQ(loop.sendEvent(s::event::kReportError, 5, 0, &loop), 50);
    loop.removeNamedEventListener(&second);
    EXPECT_EQ(loop.sendEvent(s::event::kReportError, 5, 0, nullptr), 7);
    loop.stop();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 1}));
    EXPECT_EQ(objects, (std::vector<s::base::IObject*>{&loop, nullptr}));
}

TEST(EventLoop, SendingFromAListenerRunsNestedWithoutDeadlockAndKeepsTheOuterEvent) {
    EventLoop loop;
    i64 outerAAfterNested = -1;
    auto listener = Lambda([&](INamedEventSource& e) {
        if (e.getEventName() == s::event::kProcessStatusStart) {
            const i64 inner = loop.sendEvent(s::event::kProcessStatusUpdate, 3, 4, nullptr);
            outerAAfterNested = e.getEventA();
            e.setEventResult(inner + 1);
        } else {
            e.setEventResult(e.getEventA() * e.getEventB());
        }
    });
    loop.addNamedEventListener(&listener);
    ASSERT_TRUE(loop.start());
    EXPECT_EQ(loop.sendEvent(s::event::kProcessStatusStart, 99, 0, nullptr), 13);
    EXPECT_EQ(outerAAfterNested, 99);
}

TEST(EventLoop, StoppingReleasesBlockedSendersAndLaterSendsReturnZero) {
    EventLoop loop;
    std::atomic<bool> entered{false};
    std::atomic<bool> leave{false};
    auto blocker = Lambda([&](INamedEventSource& e) {
        if (e.getEventName() == s::event::kUpdateVideoImage) {
            entered = true;
            while (!leave)
                std::this_thread::yield();
        }
        e.setEventResult(1);
    });
    loop.addNamedEventListener(&blocker);
    ASSERT_TRUE(loop.start());

    // One sender is being served, more are queued behind it.
    std::thread busy([&] { EXPECT_EQ(loop.sendEvent(s::event::kUpdateVideoImage, 0, 0, nullptr), 1); });
    while (!entered)
        std::this_thread::yield();
    std::vector<std::thread> queued;
    std::atomic<int> released{0};
    for (int i = 0; i < 3; ++i)
        queued.emplace_back([&] {
            loop.sendEvent(s::event::kUpdateUI, 0, 0, nullptr);
            ++released;
        });
    std::thread stopper([&] { loop.stop(); });
    while (loop.isRunning())
        std::this_thread::yield();
    leave = true;
    stopper.join();
    busy.join();
    for (auto& t : queued)
        t.join();
    EXPECT_EQ(released.load(), 3);
    EXPECT_EQ(loop.sendEvent(s::event::kUpdateUI, 0, 0, nullptr), 0);

    // The loop can be started again after a stop.
    ASSERT_TRUE(loop.start());
    EXPECT_EQ(loop.sendEvent(s::event::kUpdateUI, 0, 0, nullptr), 1);
}

TEST(EventLoop, AListenerMayStopItsOwnLoop) {
    auto loop = std::make_unique<EventLoop>();
    auto stopper = Lambda([&](INamedEventSource& e) {
        loop->stop();
        e.setEventResult(5);
        EXPECT_EQ(loop->sendEvent(s::event::kUpdateUI, 0, 0, nullptr), 0) << "stopping: no more deliveries";
    });
    loop->addNamedEventListener(&stopper);
    ASSERT_TRUE(loop->start());
    EXPECT_EQ(loop->sendEvent(s::event::kProcessStatusEnd, 0, 0, nullptr), 5);
    EXPECT_EQ(loop->sendEvent(s::event::kProcessStatusEnd, 0, 0, nullptr), 0);
    loop.reset(); // joins the thread that stopped itself
}

TEST(EventLoop, ManySendersGetTheirOwnResults) {
    EventLoop loop;
    i64 total = 0; // touched only on the loop thread, one event at a time
    auto listener = Lambda([&](INamedEventSource& e) {
        total += e.getEventA();
        e.setEventResult(e.getEventA() * 2 + e.getEventB());
    });
    loop.addNamedEventListener(&listener);
    ASSERT_TRUE(loop.start());
    constexpr int kSenders = 4;
    constexpr int kEvents = 500;
    std::atomic<int> wrong{0};
    std::vector<std::thread> senders;
    for (int t = 0; t < kSenders; ++t)
        senders.emplace_back([&, t] {
            for (int i = 0; i < kEvents; ++i)
                if (loop.sendEvent(s::event::kProcessStatusUpdate, i, t, nullptr) != i * 2 + t)
                    ++wrong;
        });
    for (auto& t : senders)
        t.join();
    loop.stop();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(total, i64{kSenders} * (kEvents * (kEvents - 1) / 2));
}
