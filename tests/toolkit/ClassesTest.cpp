#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Exception.h"
#include "toolkit/ScopeExit.h"

namespace {

// Records every notification it receives and its own destruction.
class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::string name, std::vector<std::string>& log) : TComponent(owner), log_(log) {
        SetName(std::move(name));
    }
    ~Probe() override {
        DestroyComponents();
        log_.push_back("~" + Name());
    }
    TComponent* watched = nullptr;

protected:
    void Notification(TComponent* c, TOperation op) override {
        if (op == TOperation::opRemove) {
            log_.push_back(Name() + " hears " + c->Name() + " removed");
            if (c == watched) watched = nullptr;
        }
    }

private:
    std::vector<std::string>& log_;
};

} // namespace

TEST(Component, OwnerFreesOwnedLastFirstAndHearsEachRemoval) {
    std::vector<std::string> log;
    auto* root = new Probe(nullptr, "root", log);
    new Probe(root, "a", log);
    auto* b = new Probe(root, "b", log);
    new Probe(b, "b1", log);
    EXPECT_EQ(root->ComponentCount(), 2);
    EXPECT_EQ(root->FindComponent("B"), b);
    delete root;
    std::vector<std::string> want = {
        "root hears b removed", "b hears b1 removed", "~b1", "~b", "root hears a removed", "~a", "~root"};
    EXPECT_EQ(log, want);
}

TEST(Component, FreeNotificationClearsCrossReferencesEitherWay) {
    std::vector<std::string> log;
    Probe owner(nullptr, "owner", log);
    auto* viewer = new Probe(&owner, "viewer", log);
    auto* menu = new Probe(&owner, "menu", log);
    viewer->watched = menu;
    viewer->FreeNotification(menu);
    delete menu;
    EXPECT_EQ(viewer->watched, nullptr);
    // The link is gone both ways: deleting the viewer later tells nobody stale.
    delete viewer;
    EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(Component, InsertComponentMovesOwnership) {
    std::vector<std::string> log;
    Probe a(nullptr, "a", log), b(nullptr, "b", log);
    auto* c = new Probe(&a, "c", log);
    b.InsertComponent(c);
    EXPECT_EQ(a.ComponentCount(), 0);
    EXPECT_EQ(c->Owner(), &b);
}

TEST(StringList, NameValueAccessIgnoresCase) {
    TStringList l;
    l.Add("Host=example");
    l.Add("ProxyPort=8080");
    l.Add("plain");
    EXPECT_EQ(l.Values("proxyport"), "8080");
    EXPECT_EQ(l.IndexOfName("HOST"), 0);
    EXPECT_EQ(l.Names(2), "");
    l.SetValues("PROXYPORT", "3128");
    EXPECT_EQ(l[1], "PROXYPORT=3128");
    l.SetValues("host", "");
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l.IndexOf("PLAIN"), 1);
}

TEST(StringList, TextSplitsEveryLineEndAndJoinsWithCrLf) {
    TStringList l;
    l.SetText("a\r\nb\nc\rd");
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l[3], "d");
    EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n");
    l.SetText("x\r\n\r\n");
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l[1], "");
}

TEST(StringList, AssignCopiesIntoTheSameObjectAndFiresChange) {
    TStringList a{"1", "2"}, b{"x"};
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    TStringList* identity = &b;
    b.Assign(a);
    EXPECT_EQ(identity->Count(), 2);
    EXPECT_EQ(changes, 1);
    EXPECT_THROW(b.Delete(5), EListError);
}

TEST(StringList, SortedAddKeepsOrder) {
    TStringList l;
    l.SetSorted(true);
    for (const char* s : {"pop", "Blues", "acid", "Rock"}) l.Add(s);
    EXPECT_EQ(l.Text(), "acid\r\nBlues\r\npop\r\nRock\r\n");
}

namespace {

// A window-like object: its handler runs a nested loop (as a modal dialog or a network wait does),
// in which the host may ask for the object to go. The handler keeps using its members after.
struct TLoopingWindow {
    explicit TLoopingWindow(int& freed) : freed_(freed) {}
    ~TLoopingWindow() { ++freed_; }
    void Handler(const std::function<void()>& nestedLoop) {
        depth.Enter();
        nestedLoop();
        state += 1; // touches the object after the loop: freed memory if it went inside
        if (depth.Leave()) return;
    }
    THandlerDepth depth{[this] { delete this; }};
    int state = 0;
    int& freed_;
};

} // namespace

TEST(HandlerDepth, ReleaseInsideANestedLoopFreesWhenTheOutermostHandlerEnds) {
    int freed = 0;
    auto* w = new TLoopingWindow(freed);
    // Released from inside two nested handlers: freed only when the outer one ends.
    w->Handler([&] {
        w->Handler([&] {
            EXPECT_FALSE(w->depth.Release());
            EXPECT_FALSE(w->depth.Release()); // asked twice, freed once
        });
        EXPECT_EQ(freed, 0);
        EXPECT_TRUE(w->depth.ReleasePending());
        EXPECT_EQ(w->depth.Depth(), 1);
    });
    EXPECT_EQ(freed, 1);

    // With no handler running the object goes at once.
    auto* idle = new TLoopingWindow(freed);
    EXPECT_TRUE(idle->depth.Release());
    EXPECT_EQ(freed, 2);

    // Handlers that end without a release leave the object alone.
    auto* busy = new TLoopingWindow(freed);
    busy->Handler([] {});
    EXPECT_EQ(freed, 2);
    EXPECT_EQ(busy->state, 1);
    delete busy;
}

TEST(ScopeExit, RunsOnceOnEveryWayOutUnlessDismissed) {
    int runs = 0;
    {
        auto guard = ScopeExit([&] { ++runs; });
    }
    EXPECT_EQ(runs, 1);
    try {
        auto guard = ScopeExit([&] { ++runs; });
        throw Exception("leaving");
    } catch (const Exception&) {}
    EXPECT_EQ(runs, 2);
    {
        auto guard = ScopeExit([&] { ++runs; });
        guard.Dismiss();
    }
    EXPECT_EQ(runs, 2);
}
