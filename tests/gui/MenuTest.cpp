// The menu bar, its drop-down menus and entries, and the plain menu drawer.
// No display needed.

#include "foundation/lang/Localizer.h"
#include "gui/Scale.h"
#include "gui/drawer/menu/win/Basic.h"
#include "gui/drawer/text/win/Basic.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/FontSetting.h"
#include "gui/win/MenuEx.h"
#include "gui/win/PopupMenu.h"
#include "image/win/BufferedImage.h"
#include "image/win/MemDC.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace s;
using gui::menuitem::MenuItem;
using gui::win::MenuEx;
using gui::win::MouseEvent;
using gui::win::PopupMenu;

namespace {

class Paper {
public:
    Paper(i32 w, i32 h, u32 rgb) : m_image(image::win::BufferedImage::create()), m_dc(gui::win::MemDC::create()) {
        EXPECT_TRUE(m_image->allocate(w, h));
        m_image->fill(255, (rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
        EXPECT_TRUE(m_dc->create(m_image, false));
    }
    ~Paper() {
        m_dc->release();
        m_image->release();
    }
    Paper(const Paper&) = delete;
    Paper& operator=(const Paper&) = delete;
    gui::win::MemDC& dc() { return *m_dc; }
    u32 at(i32 x, i32 y) {
        m_dc->flush();
        return static_cast<u32>(m_image->getRow(y)[x]) & 0xFFFFFF;
    }
    /// How many pixels of the rectangle have the colour.
    i32 count(i32 l, i32 t, i32 r, i32 b, u32 rgb) {
        i32 n = 0;
        for (i32 y = t; y < b; ++y)
            for (i32 x = l; x < r; ++x)
                n += at(x, y) == rgb;
        return n;
    }

private:
    image::win::BufferedImage* m_image;
    gui::win::MemDC* m_dc;
};

struct Recorder : gui::events::IEventListener {
    void onEvent(gui::IComponent* source, i32 code) override { events.emplace_back(source, code); }
    std::vector<std::pair<gui::IComponent*, i32>> events;
};

i32 textWidth(const char16_t* text, gui::win::FontSetting& font, i32* height = nullptr) {
    thread::Pooled<gui::drawer::text::win::Basic> drawer = thread::makePooled<gui::drawer::text::win::Basic>();
    i32 w = 0;
    i32 h = 0;
    drawer->measure(text, font, 0, 0, &w, &h);
    if (height)
        *height = h;
    return w;
}

PopupMenu* menuOf(const char16_t* title, std::initializer_list<std::pair<const char16_t*, i32>> entries) {
    PopupMenu* menu = PopupMenu::create();
    menu->setTitle(title);
    for (const auto& [text, command] : entries)
        menu->add(text ? MenuItem::makeLiteral(text, command) : MenuItem::makeSeparator());
    return menu;
}

std::u16string textOf(const MenuItem* item) { return item ? std::u16string(item->getText()) : u"<none>"; }

constexpr u32 kPaper = 0xFFFFFF;

} // namespace

// -- drawer --

TEST(MenuDrawerTest, TitleBoxesAreTextPlusMarginsAndEquallyTall) {
    thread::Pooled<gui::drawer::menu::win::Basic> drawer = thread::makePooled<gui::drawer::menu::win::Basic>();
    thread::Pooled<gui::win::FontSetting> font = thread::makePooled<gui::win::FontSetting>();
    gui::drawer::MenuBarState state;
    state.titles = {u"File", u"View", u"Language", u"About"};
    state.marginX = 6;
    state.marginY = 3;
    state.font = font.get();
    std::vector<i32> boxes;
    drawer->layoutTitles(state, 400, &boxes);
    ASSERT_EQ(boxes.size(), 16u);
    i32 textH = 0;
    i32 x = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const i32 w = textWidth(state.titles[i].c_str(), *font, &textH);
        EXPECT_EQ(boxes[4 * i], x) << "boxes follow each other from the left edge";
        EXPECT_EQ(boxes[4 * i + 2] - boxes[4 * i], w + 12);
        EXPECT_EQ(boxes[4 * i + 1], 0);
        EXPECT_EQ(boxes[4 * i + 3], textH + 6);
        x = boxes[4 * i + 2];
    }

    state.lastAtRight = true;
    drawer->layoutTitles(state, 400, &boxes);
    EXPECT_EQ(boxes[14], 400) << "the last title against the right edge";
    EXPECT_EQ(boxes[14] - boxes[12], textWidth(u"About", *font) + 12);
    drawer->layoutTitles(state, 10, &boxes);
    EXPECT_EQ(boxes[12], boxes[10]) << "a narrow bar never puts it over the title before";
}

TEST(MenuDrawerTest, HotTitleIsFilledExceptTheLastOne) {
    thread::Pooled<gui::drawer::menu::win::Basic> drawer = thread::makePooled<gui::drawer::menu::win::Basic>();
    thread::Pooled<gui::win::FontSetting> font = thread::makePooled<gui::win::FontSetting>();
    gui::drawer::MenuBarState state;
    state.titles = {u"File", u"View", u"Language", u"About"};
    state.font = font.get();
    std::vector<i32> boxes;
    drawer->layoutTitles(state, 300, &boxes);
    const u32 highlight = gui::drawer::menu::win::Basic::kHighlight;
    const i32 h = boxes[3];

    state.hot = 0;
    Paper fileHot(300, h, kPaper);
    drawer->paintBar(fileHot.dc(), 0, 0, 300, h, state);
    EXPECT_EQ(fileHot.at(boxes[0] + 1, 1), highlight) << "File hot: filled";
    EXPECT_EQ(fileHot.at(boxes[2] - 1, h - 1), highlight);
    EXPECT_EQ(fileHot.count(boxes[4], 0, 300, h, highlight), 0) << "nothing else is filled";
    EXPECT_GT(fileHot.count(boxes[0], 0, boxes[2], h, 0xFFFFFF), 0) << "text in the highlight-text colour";

    state.hot = 3;
    Paper aboutHot(300, h, kPaper);
    drawer->paintBar(aboutHot.dc(), 0, 0, 300, h, state);
    EXPECT_EQ(aboutHot.count(0, 0, 300, h, highlight), 0) << "About hot: the last title is never filled";
    EXPECT_GT(aboutHot.count(boxes[12], 0, boxes[14], h, 0x000000), 0) << "drawn in the normal font colour";

    drawer->setHighlight(false);
    state.hot = 0;
    Paper off(300, h, kPaper);
    drawer->paintBar(off.dc(), 0, 0, 300, h, state);
    EXPECT_EQ(off.count(0, 0, 300, h, highlight), 0);
}

TEST(MenuDrawerTest, LastTitleAsLinkIsBlue) {
    thread::Pooled<gui::drawer::menu::win::Basic> drawer = thread::makePooled<gui::drawer::menu::win::Basic>();
    thread::Pooled<gui::win::FontSetting> font = thread::makePooled<gui::win::FontSetting>();
    gui::drawer::MenuBarState state;
    state.titles = {u"File", u"\u2588\u2588"};
    state.font = font.get();
    state.lastAsLink = true;
    std::vector<i32> boxes;
    drawer->layoutTitles(state, 200, &boxes);
    const i32 h = boxes[3];
    Paper paper(200, h, kPaper);
    drawer->paintBar(paper.dc(), 0, 0, 200, h, state);
    EXPECT_GT(paper.count(boxes[4], 0, boxes[6], h, gui::drawer::menu::win::Basic::kLinkColor), 0);
    EXPECT_EQ(paper.count(boxes[0], 0, boxes[2], h, gui::drawer::menu::win::Basic::kLinkColor), 0);
}

TEST(MenuDrawerTest, PressOffsetMovesTheHotText) {
    thread::Pooled<gui::drawer::menu::win::Basic> drawer = thread::makePooled<gui::drawer::menu::win::Basic>();
    thread::Pooled<gui::win::FontSetting> font = thread::makePooled<gui::win::FontSetting>();
    drawer->setHighlight(false);
    drawer->setPressOffset(true);
    gui::drawer::MenuBarState state;
    state.titles = {u"\u2588", u"x"};
    state.font = font.get();
    state.hot = 0;
    std::vector<i32> boxes;
    drawer->layoutTitles(state, 100, &boxes);
    const i32 h = boxes[3];
    // The first inked column of the hot title, up and down.
    auto firstInk = [&](bool down) {
        state.mouseDown = down;
        Paper paper(100, h, kPaper);
        drawer->paintBar(paper.dc(), 0, 0, 100, h, state);
        for (i32 x = 0; x < boxes[2]; ++x)
            for (i32 y = 0; y < h; ++y)
                if (paper.at(x, y) != kPaper)
                    return x;
        return -1;
    };
    const i32 up = firstInk(false);
    const i32 down = firstInk(true);
    ASSERT_GE(up, 0);
    EXPECT_EQ(down - up, 2);
}

// -- menu model --

TEST(MenuModelTest, CheckRadioMovesTheMarkAmongRadioEntriesOnly) {
    thread::Pooled<PopupMenu> menu = thread::adopt(menuOf(
        u"File", {{u"Open...", 300}, {nullptr, 0}, {u"Same", 321}, {u"Cuts", 322}, {u"Desktop", 323}}));
    menu->add(MenuItem::makeLiteral(u"Keep", 100));
    menu->getItem(5)->setChecked(true); // a check entry, not a radio one

    menu->checkRadio(3);
    EXPECT_TRUE(menu->getItem(3)->isChecked());
    EXPECT_TRUE(menu->getItem(3)->isRadio());
    menu->checkRadio(4);
    EXPECT_FALSE(menu->getItem(3)->isChecked()) << "the mark left the old entry";
    EXPECT_TRUE(menu->getItem(4)->isChecked());
    EXPECT_TRUE(menu->getItem(5)->isChecked()) << "check entries are not radio entries";
    EXPECT_FALSE(menu->getItem(0)->isChecked());
    menu->checkRadio(1); // a separator takes no mark
    EXPECT_FALSE(menu->getItem(1)->isChecked());
    EXPECT_FALSE(menu->getItem(4)->isChecked());
}

TEST(MenuModelTest, InsertRemoveAndRetitleEntries) {
    thread::Pooled<PopupMenu> menu =
        thread::adopt(menuOf(u"File", {{u"Open...", 300}, {nullptr, 0}, {u"Other Folder...", 330}}));
    const u32 revision = menu->getRevision();
    menu->insertAt(2, MenuItem::makeLiteral(u"Output to: \"/tmp\"", 310));
    EXPECT_NE(menu->getRevision(), revision) << "the native menu must be made again";
    menu->insertAt(99, MenuItem::makeSeparator());
    menu->insertAt(-5, MenuItem::makeLiteral(u"First", 1));
    ASSERT_EQ(menu->getItemCount(), 6);
    EXPECT_EQ(textOf(menu->getItem(0)), u"First");
    EXPECT_EQ(textOf(menu->getItem(3)), u"Output to: \"/tmp\"");
    EXPECT_TRUE(menu->getItem(5)->isSeparator());
    EXPECT_EQ(menu->indexOf(330), 4);

    EXPECT_TRUE(menu->setItemText(310, u"Output to: \"/srv\""));
    EXPECT_EQ(textOf(menu->findItem(310)), u"Output to: \"/srv\"");
    EXPECT_FALSE(menu->setItemText(999, u"x"));

    EXPECT_TRUE(menu->removeAt(3));
    EXPECT_EQ(menu->findItem(310), nullptr);
    EXPECT_FALSE(menu->removeAt(10));
    EXPECT_EQ(menu->getItem(-1), nullptr);
}

TEST(MenuModelTest, SubmenuEntriesAreFoundThroughTheParent) {
    thread::Pooled<PopupMenu> menu = thread::adopt(menuOf(u"View", {{u"Keep on Top", 100}}));
    PopupMenu* sub = menuOf(u"More", {{u"Easy Drag", 120}});
    menu->addSubmenu(sub);
    ASSERT_EQ(menu->getItemCount(), 2);
    EXPECT_EQ(menu->getItem(1)->getSubmenu(), sub);
    EXPECT_EQ(textOf(menu->getItem(1)), u"More");
    EXPECT_EQ(sub->getParentMenu(), menu.get());
    EXPECT_EQ(textOf(menu->findItem(120)), u"Easy Drag");
    EXPECT_TRUE(menu->setItemChecked(120, true));
    EXPECT_TRUE(sub->getItem(0)->isChecked());
    const u32 revision = menu->getRevision();
    sub->add(MenuItem::makeLiteral(u"Close By Wheel", 125));
    EXPECT_NE(menu->getRevision(), revision) << "a submenu change makes the parent stale too";
}

TEST(MenuModelTest, MnemonicMarks) {
    EXPECT_EQ(gui::win::menuText(u"&File", true), "_File");
    EXPECT_EQ(gui::win::menuText(u"Save && Close", true), "Save & Close");
    EXPECT_EQ(gui::win::menuText(u"snake_case", true), "snake__case");
    EXPECT_EQ(gui::win::menuText(u"&File", false), "File");
    EXPECT_EQ(gui::win::menuText(u"snake_case", false), "snake_case");
}

// -- menu bar --

TEST(MenuExTest, EveryTitleGetsAMnemonicOfItsOwn) {
    thread::Pooled<MenuEx> bar = thread::makePooled<MenuEx>();
    // Marked ones first; the others take their first free letter or digit,
    // in any script, compared in upper case.
    bar->addMenu(menuOf(u"File", {}));
    bar->addMenu(menuOf(u"Fi&nd", {}));
    bar->addMenu(menuOf(u"format", {}));
    bar->addMenu(menuOf(u"\u0424\u0430\u0439\u043b", {}));
    bar->addMenu(menuOf(u"1 2", {}));
    bar->addMenu(menuOf(u"&&", {}));
    EXPECT_EQ(bar->mnemonicOf(0), U'F');
    EXPECT_EQ(bar->mnemonicOf(1), U'N');
    EXPECT_EQ(bar->mnemonicOf(2), U'O'); // "F" is taken by "File"
    EXPECT_EQ(bar->mnemonicOf(3), U'\u0424');
    EXPECT_EQ(bar->mnemonicOf(4), U'1');
    EXPECT_EQ(bar->mnemonicOf(5), 0u) << "no letter to take";
    EXPECT_EQ(bar->titleForMnemonic(U'f'), 0);
    EXPECT_EQ(bar->titleForMnemonic(U'n'), 1);
    EXPECT_EQ(bar->titleForMnemonic(U'o'), 2);
    EXPECT_EQ(bar->titleForMnemonic(U'\u0444'), 3);
    EXPECT_EQ(bar->titleForMnemonic(U'x'), -1);
    EXPECT_EQ(bar->titleForMnemonic(0), -1);
    // Without a window nothing opens.
    EXPECT_FALSE(bar->openMenuByKeyboard(0));
    EXPECT_FALSE(bar->openMenuByKeyboard(7));
}

TEST(MenuDrawerTest, TheMnemonicIsUnderlined) {
    thread::Pooled<gui::drawer::menu::win::Basic> drawer = thread::makePooled<gui::drawer::menu::win::Basic>();
    thread::Pooled<gui::win::FontSetting> font = thread::makePooled<gui::win::FontSetting>();
    gui::drawer::MenuBarState state;
    // "__" draws no ink of its own low down but its underline: the marked
    // one of two such titles has ink in its lower part, the other none.
    state.titles = {u"oo", u"oo"};
    state.font = font.get();
    std::vector<i32> boxes;
    drawer->layoutTitles(state, 200, &boxes);
    const i32 h = boxes[3];
    const auto inkBelowTheLetters = [&](std::vector<i32> mnemonics, i32 title) {
        state.mnemonics = std::move(mnemonics);
        Paper paper(200, h, kPaper);
        drawer->paintBar(paper.dc(), 0, 0, 200, h, state);
        const i32 l = boxes[4 * title];
        const i32 r = boxes[4 * title + 2];
        // "o" ends at the baseline; the underline lies below it.
        i32 lowest = -1;
        for (i32 y = 0; y < h; ++y)
            for (i32 x = l; x < r; ++x)
                if (paper.at(x, y) != kPaper)
                    lowest = y;
        return lowest;
    };
    const i32 plain = inkBelowTheLetters({}, 0);
    const i32 marked = inkBelowTheLetters({0, -1}, 0);
    ASSERT_GE(plain, 0);
    EXPECT_GT(marked, plain) << "the mnemonic's underline lies below the letters";
    EXPECT_EQ(inkBelowTheLetters({0, -1}, 1), plain) << "the other title has none";
}

TEST(MenuExTest, ChosenCommandGoesToTheListenersAsCodeZero) {
    thread::Pooled<MenuEx> bar = thread::makePooled<MenuEx>();
    Recorder listener;
    bar->addCommandListener(&listener);
    EXPECT_EQ(bar->getCommand(), -1);
    bar->chooseCommand(321);
    ASSERT_EQ(listener.events.size(), 1u);
    EXPECT_EQ(listener.events[0].first, bar.get());
    EXPECT_EQ(listener.events[0].second, gui::kMenuCommand);
    EXPECT_EQ(bar->getCommand(), 321);
}

TEST(MenuExTest, CheckedStatesAreKeptPerCommandAndMarkTheEntries) {
    thread::Pooled<MenuEx> bar = thread::makePooled<MenuEx>();
    bar->addMenu(menuOf(u"View", {{u"Keep on Top", 100}, {u"Easy Drag", 120}}));
    EXPECT_FALSE(bar->isChecked(100));
    bar->setChecked(100, true);
    EXPECT_TRUE(bar->isChecked(100));
    EXPECT_TRUE(bar->getMenu(0)->findItem(100)->isChecked());
    EXPECT_FALSE(bar->getMenu(0)->findItem(120)->isChecked());
    bar->setChecked(100, false);
    EXPECT_FALSE(bar->isChecked(100));
    EXPECT_FALSE(bar->getMenu(0)->findItem(100)->isChecked());

    // A state stored before its menu exists marks the entry when it comes.
    bar->setChecked(125, true);
    bar->addMenu(menuOf(u"More", {{u"Close By Wheel", 125}}));
    EXPECT_TRUE(bar->getMenu(1)->findItem(125)->isChecked());
}

TEST(MenuExTest, MeasuresItsTitlesAndTracksTheHotOne) {
    thread::Pooled<MenuEx> bar = thread::makePooled<MenuEx>();
    EXPECT_GT(bar->getMinHeight(), 0) << "an empty bar keeps a title's height";
    bar->addMenu(menuOf(u"&File", {{u"Open...", 300}}));
    bar->addMenu(menuOf(u"View", {{u"Keep on Top", 100}}));
    const i32 s = gui::displayScale();
    i32 textH = 0;
    const i32 fileW = textWidth(u"File", *bar->getFontSetting(), &textH);
    const i32 viewW = textWidth(u"View", *bar->getFontSetting());
    EXPECT_EQ(bar->getMinWidth(), fileW + viewW + 4 * 6 * s) << "the mnemonic mark is not shown";
    EXPECT_EQ(bar->getMinHeight(), textH + 2 * 3 * s);
    EXPECT_EQ(bar->getFontHeight(), gui::win::FontSetting::heightForPoints(9, s)) << "size code -1 by default";

    bar->setSize(300, bar->getMinHeight());
    MouseEvent move;
    move.kind = MouseEvent::kMove;
    move.x = fileW + 12 * s + 2;
    move.y = 2;
    EXPECT_TRUE(bar->onMouse(move));
    EXPECT_EQ(bar->getHotIndex(), 1);
    move.x = 299;
    bar->onMouse(move);
    EXPECT_EQ(bar->getHotIndex(), -1);
    move.x = 1;
    bar->onMouse(move);
    EXPECT_EQ(bar->getHotIndex(), 0);
    MouseEvent leave;
    leave.kind = MouseEvent::kLeave;
    bar->onMouse(leave);
    EXPECT_EQ(bar->getHotIndex(), -1);

    const i32 before = bar->getMinWidth();
    bar->setSizeCode(100);
    EXPECT_GT(bar->getMinWidth(), before) << "a larger font measures the titles again";
}

namespace {
constexpr std::string_view kPack = R"(<lang>
<languages>
<entry tagName="eng" engName="English" trueName="English"/>
<entry tagName="deu" engName="German" trueName="Deutsch"/>
</languages>
<entries>
<entry id="608000"><eng>File</eng><deu>Datei</deu></entry>
<entry id="608100"><eng>Open...</eng><deu>Öffnen...</deu></entry>
<entry id="609000"><eng>View</eng><deu>Ansicht</deu></entry>
</entries>
</lang>)";
} // namespace

TEST(MenuExTest, LanguageChangeReadsTitlesAndEntriesAgain) {
    thread::Pooled<lang::Localizer> localizer = thread::makePooled<lang::Localizer>();
    localizer->setSystemLanguage(u"English");
    ASSERT_TRUE(localizer->loadUtf8(reinterpret_cast<const u8*>(kPack.data()), static_cast<u32>(kPack.size())));

    PopupMenu* file = PopupMenu::create();
    file->setLocalizer(localizer.get());
    file->setTextId(608000);
    file->add(MenuItem::makeText(nullptr, 608100, 300));
    file->add(MenuItem::makeLiteral(u"Literal", 301));
    PopupMenu* sub = PopupMenu::create();
    sub->setTextId(609000);
    file->addSubmenu(sub);
    EXPECT_EQ(std::u16string(file->getTitle()), u"File");
    EXPECT_EQ(textOf(file->getItem(0)), u"Open...") << "the entry borrows the menu's localizer";
    EXPECT_EQ(textOf(file->getItem(2)), u"View") << "the submenu got the localizer too";

    thread::Pooled<MenuEx> bar = thread::makePooled<MenuEx>();
    bar->addMenu(file);
    const i32 englishWidth = bar->getMinWidth();
    localizer->selectLanguage(u"German");
    bar->onLanguageChanged();
    EXPECT_EQ(std::u16string(file->getTitle()), u"Datei");
    EXPECT_EQ(textOf(file->getItem(0)), u"\u00d6ffnen...");
    EXPECT_EQ(textOf(file->getItem(1)), u"Literal") << "literal texts are not translated";
    EXPECT_EQ(textOf(file->getItem(2)), u"Ansicht");
    EXPECT_NE(bar->getMinWidth(), englishWidth) << "the bar measured its new title";
}

// -- on screen --

#include "gui/win/UIThread.h"
#include "gui/win/Window.h"

#include <gtk/gtk.h>

#include <chrono>
#include <thread>

TEST(MenuExTest, PressOnATitleOpensItsMenuAndEntriesReportTheirCommands) {
    using gui::win::UIThread;
    if (!UIThread::instance().start())
        GTEST_SKIP() << "no display";
    gui::win::Window* window = gui::win::Window::create();
    MenuEx* bar = MenuEx::create();
    bar->addMenu(menuOf(u"File", {{u"Open...", 300}, {u"Keep on Top", 100}}));
    bar->addMenu(menuOf(u"View", {{u"Easy Drag", 120}}));
    bar->setChecked(100, true);
    bar->setPercentWidth(100);
    window->add(bar);
    Recorder commands;
    bar->addCommandListener(&commands);
    window->resizeWindow(320, 200);
    window->showWindow(true, true);
    bool realized = false;
    for (int i = 0; i < 500 && !realized; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        UIThread::instance().invoke([&] {
            auto* gw = static_cast<GtkWidget*>(window->getNativeHandle());
            realized = gw && gtk_widget_get_mapped(gw) && bar->getWidth() > 0;
        });
    }
    ASSERT_TRUE(realized);

    i32 openIndex = -2;
    bool markKept = false;
    i32 openAfterClose = -2;
    ASSERT_TRUE(window->invoke([&] {
        const std::vector<i32>& boxes = bar->getTitleBoxes();
        MouseEvent press;
        press.kind = MouseEvent::kPress;
        press.button = 1;
        press.x = boxes[4] + 2; // the second title: View
        press.y = 2;
        EXPECT_TRUE(bar->onMouse(press));
        openIndex = bar->getOpenIndex();
        auto* file = static_cast<PopupMenu*>(bar->getMenu(0));
        GtkWidget* menu = file->getNativeMenu();
        GList* entries = gtk_container_get_children(GTK_CONTAINER(menu));
        ASSERT_EQ(g_list_length(entries), 2u);
        auto* keep = GTK_WIDGET(g_list_nth_data(entries, 1));
        ASSERT_TRUE(GTK_IS_CHECK_MENU_ITEM(keep));
        EXPECT_TRUE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(keep)));
        gtk_menu_item_activate(GTK_MENU_ITEM(keep));
        // The model decides about the mark, not GTK's own toggling.
        markKept = gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(keep));
        gtk_menu_item_activate(GTK_MENU_ITEM(g_list_nth_data(entries, 0)));
        g_list_free(entries);
        auto* view = static_cast<PopupMenu*>(bar->getMenu(1));
        gtk_menu_shell_deactivate(GTK_MENU_SHELL(view->getNativeMenu()));
        openAfterClose = bar->getOpenIndex();
    }));
    EXPECT_EQ(openIndex, 1);
    EXPECT_TRUE(markKept);
    EXPECT_EQ(openAfterClose, -1) << "closing the menu clears the open title";
    ASSERT_EQ(commands.events.size(), 2u);
    EXPECT_EQ(commands.events[0].second, gui::kMenuCommand);
    EXPECT_EQ(bar->getCommand(), 300);
    EXPECT_TRUE(bar->isChecked(100));

    // A change of the entries makes a new native menu with the new marks.
    bar->setChecked(100, false);
    ASSERT_TRUE(window->invoke([&] {
        auto* file = static_cast<PopupMenu*>(bar->getMenu(0));
        GtkWidget* menu = file->getNativeMenu();
        GList* entries = gtk_container_get_children(GTK_CONTAINER(menu));
        EXPECT_FALSE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(g_list_nth_data(entries, 1))));
        g_list_free(entries);
    }));
    window->release();
}
