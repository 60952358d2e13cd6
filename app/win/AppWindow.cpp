#include "app/win/AppWindow.h"

#include "app/IAppBase.h"
#include "app/ISkinManager.h"
#include "app/win/LauncherEntry.h"
#include "foundation/lang/Localizer.h"
#include "foundation/map/IMappedData.h"
#include "gui/IWindow.h"
#include "gui/Scale.h"
#include "image/win/BufferedImage.h"

#include <algorithm>
#include <string_view>

namespace s::app::win {

namespace {

constexpr const char16_t* kViewGroup = u"View"; // the settings shared by every scale
constexpr const char16_t* kX = u"X";
constexpr const char16_t* kY = u"Y";
constexpr const char16_t* kWidth = u"Width";
constexpr const char16_t* kHeight = u"Height";
constexpr const char16_t* kEasyDrag = u"EasyDrag";
constexpr const char16_t* kMaximized = u"Maximized";
constexpr const char16_t* kKeepOnTop = u"KeepOnTop";
constexpr const char16_t* kOnMClick = u"OnMClick";
constexpr const char16_t* kSkin = u"Skin";

bool sameText(const char16_t* a, const char16_t* b) {
    return std::u16string_view(a ? a : u"") == std::u16string_view(b ? b : u"");
}

const char16_t* viewGroupOf(i32 scale) {
    return scale >= 4 ? u"View8K" : (scale >= 2 ? u"View4K" : u"View");
}

image::win::BufferedImage* iconOf(IAppBase* app, i32 size) {
    switch (size) {
    case 16:
        return app->getIcon16();
    case 32:
        return app->getIcon32();
    case 64:
        return app->getIcon64();
    case 128:
        return app->getIcon128();
    default:
        return app->getIcon256();
    }
}

} // namespace

const char16_t* AppWindow::normaliseOnMClick(const char16_t* text) {
    if (sameText(text, gui::kActionIconize))
        return gui::kActionIconize;
    if (sameText(text, gui::kActionClose))
        return gui::kActionClose;
    return gui::kActionDoNothing;
}

void AppWindow::init(IAppBase* app, const char16_t* name, i32 defaultWidth, i32 defaultHeight,
                     bool defaultKeepOnTop, const char16_t* defaultOnMClick, ISkinManager* skins,
                     const char16_t* skinName, i32 scale) {
    m_app = app;
    m_name.set(name ? name : u"");
    m_scale = scale == 2 || scale == 4 ? scale : (scale == 0 ? gui::displayScale() : 1);
    m_viewGroup = viewGroupOf(m_scale);
    m_textBase = app ? app->getTextBase() : kTextBase;
    m_defaultWidth = defaultWidth;
    m_defaultHeight = defaultHeight;
    m_defaultKeepOnTop = defaultKeepOnTop;
    m_defaultOnMClick = normaliseOnMClick(defaultOnMClick);
    m_onMClick = m_defaultOnMClick;
    m_skins = skins;
    m_ownSkin = skins && (!app || skins != app->getSkins());
    if (skins && !m_ownSkin)
        m_skinName.set(skins->getCurrentSkinName());
    else
        m_skinName.set(skinName ? skinName : u"");
    m_defaultEasyDrag = true;
    m_taskbar = &LauncherEntry::instance();

    map::IMappedData* settings = store();
    const bool autoSave = settings && settings->isAutoSave();
    if (settings) {
        settings->setAutoSave(false);
        if (lang::Localizer* localizer = app ? app->getLocalizer() : nullptr) {
            settings->setString(groupPath(u"SoftwareID"), u"", localizer->getText(kTextRegistryId));
            settings->setString(groupPath(u"Version"), u"", localizer->getText(m_textBase + kTextVersion));
        }
    }
    if (m_skins && m_ownSkin) {
        const char16_t* stored = getSkin();
        if (!sameText(stored, m_skins->getCurrentSkinName()))
            m_skins->setCurrentSkin(stored);
    }
    m_onMClick = getOnMClick();
    if (settings) {
        settings->setAutoSave(autoSave);
        // What was written while saving was off goes out now.
        (void)settings->touch();
    }
}

void AppWindow::setLocalizer(lang::Localizer* localizer) {
    m_localizer = localizer;
    if (localizer && m_app)
        localizer->selectLanguage(m_app->getLanguage());
}

map::IMappedData* AppWindow::store() const {
    return m_app ? m_app->getSettings() : nullptr;
}

const char16_t* AppWindow::groupPath(const char16_t* sub) {
    m_pathBuffer.set(m_name.c_str());
    m_pathBuffer.append(u'\\');
    m_pathBuffer.append(sub ? sub : u"");
    return m_pathBuffer.c_str();
}

lang::Localizer* AppWindow::getLocalizer() const {
    if (m_localizer)
        return m_localizer;
    return m_app ? m_app->getLocalizer() : nullptr;
}

const char16_t* AppWindow::getSkin() {
    if (!m_ownSkin)
        return m_app ? m_app->getSkin() : m_skinName.c_str();
    const char16_t* current = m_skins ? m_skins->getCurrentSkinName() : m_skinName.c_str();
    map::IMappedData* settings = store();
    const char16_t* stored =
        settings ? settings->getString(groupPath(kSkin), u"", m_skinName.c_str()) : m_skinName.c_str();
    return m_skins && !m_skins->hasSkin(stored) ? current : stored;
}

bool AppWindow::setSkin(const char16_t* name) {
    if (!m_ownSkin)
        return m_app && m_app->setSkin(name);
    map::IMappedData* settings = store();
    return settings && settings->setString(groupPath(kSkin), u"", name ? name : u"");
}

// -- position and size (per display scale) --

bool AppWindow::hasViewKey(const char16_t* key) {
    map::IMappedData* settings = store();
    return settings && settings->hasKey(groupPath(m_viewGroup), key);
}

i32 AppWindow::getViewS32(const char16_t* key, i32 fallback) {
    map::IMappedData* settings = store();
    return settings ? settings->getS32(groupPath(m_viewGroup), key, fallback) : fallback;
}

bool AppWindow::setViewS32(const char16_t* key, i32 value) {
    map::IMappedData* settings = store();
    return settings && settings->setS32(groupPath(m_viewGroup), key, value);
}

bool AppWindow::hasPosition() {
    return hasX() && hasY();
}

bool AppWindow::setBounds(i32 x, i32 y, i32 width, i32 height) {
    const bool position = setX(x) & setY(y);
    return setSize(width, height) && position;
}

bool AppWindow::setSize(i32 width, i32 height) {
    return setWidth(width) & setHeight(height);
}

void AppWindow::clearBounds() {
    map::IMappedData* settings = store();
    if (!settings)
        return;
    for (const char16_t* key : {kX, kY, kWidth, kHeight})
        settings->removeKey(groupPath(m_viewGroup), key);
}

bool AppWindow::hasX() {
    return hasViewKey(kX);
}
i32 AppWindow::getX() {
    return getViewS32(kX, 0);
}
bool AppWindow::setX(i32 value) {
    return setViewS32(kX, value);
}
bool AppWindow::hasY() {
    return hasViewKey(kY);
}
i32 AppWindow::getY() {
    return getViewS32(kY, 0);
}
bool AppWindow::setY(i32 value) {
    return setViewS32(kY, value);
}
bool AppWindow::hasWidth() {
    return hasViewKey(kWidth);
}
i32 AppWindow::getWidth() {
    return getViewS32(kWidth, m_defaultWidth);
}
bool AppWindow::setWidth(i32 value) {
    return setViewS32(kWidth, value);
}
bool AppWindow::hasHeight() {
    return hasViewKey(kHeight);
}
i32 AppWindow::getHeight() {
    return getViewS32(kHeight, m_defaultHeight);
}
bool AppWindow::setHeight(i32 value) {
    return setViewS32(kHeight, value);
}

bool AppWindow::isWidthValid() {
    const i32 width = getWidth();
    Rect screen;
    return width >= kMinVisible && (!virtualScreen(&screen) || width <= screen.width);
}

bool AppWindow::isHeightValid() {
    const i32 height = getHeight();
    Rect screen;
    return height >= kMinVisible && (!virtualScreen(&screen) || height <= screen.height);
}

// -- behaviours (shared by every scale) --

bool AppWindow::getSharedBool(const char16_t* key, bool fallback) {
    map::IMappedData* settings = store();
    return settings ? settings->getBool(groupPath(kViewGroup), key, fallback) : fallback;
}

bool AppWindow::setSharedBool(const char16_t* key, bool value) {
    map::IMappedData* settings = store();
    return settings && settings->setBool(groupPath(kViewGroup), key, value);
}

bool AppWindow::getEasyDrag() {
    return getSharedBool(kEasyDrag, m_defaultEasyDrag);
}
bool AppWindow::setEasyDrag(bool value) {
    return setSharedBool(kEasyDrag, value);
}
bool AppWindow::getMaximized() {
    return getSharedBool(kMaximized, m_defaultMaximized);
}
bool AppWindow::setMaximized(bool value) {
    return setSharedBool(kMaximized, value);
}
bool AppWindow::getKeepOnTop() {
    return getSharedBool(kKeepOnTop, m_defaultKeepOnTop);
}
bool AppWindow::setKeepOnTop(bool value) {
    return setSharedBool(kKeepOnTop, value);
}

const char16_t* AppWindow::getOnMClick() {
    map::IMappedData* settings = store();
    if (!settings)
        return m_defaultOnMClick;
    m_onMClickBuffer.set(settings->getString(groupPath(kViewGroup), kOnMClick, m_defaultOnMClick));
    return normaliseOnMClick(m_onMClickBuffer.c_str());
}

bool AppWindow::isOnMClickClose() {
    m_onMClick = getOnMClick();
    return m_onMClick == gui::kActionClose;
}

bool AppWindow::isOnMClickIconize() {
    return getOnMClick() == gui::kActionIconize;
}

bool AppWindow::setOnMClick(const char16_t* action) {
    const char16_t* normalised = normaliseOnMClick(action);
    if (normalised == m_onMClick)
        return true;
    m_onMClick = normalised;
    map::IMappedData* settings = store();
    return settings && settings->setString(groupPath(kViewGroup), kOnMClick, normalised);
}

// -- screens --

IScreenInfo* AppWindow::screens() const {
    return m_screens ? m_screens : screenInfo();
}

bool AppWindow::virtualScreen(Rect* out) const {
    IScreenInfo* info = screens();
    return info && info->getVirtualScreen(out) && out->width > 0 && out->height > 0;
}

bool AppWindow::workArea(Rect* out) const {
    IScreenInfo* info = screens();
    if (info && info->getWorkArea(out) && out->width > 0 && out->height > 0)
        return true;
    return virtualScreen(out);
}

// -- the window's use of the state --

AttachPlan AppWindow::planAttach() {
    AttachPlan plan;
    plan.smallIcon = 16 * m_scale;
    plan.bigIcon = 32 * m_scale;
    plan.easyDrag = getEasyDrag();
    plan.keepOnTop = getKeepOnTop();
    m_onMClick = getOnMClick();
    plan.middleClick = m_onMClick;
    plan.maximize = getMaximized();
    // A stored size the screen cannot hold (or a collapsed one) would leave
    // the window unusable; the default size replaces it.
    plan.bounds.width = isWidthValid() ? getWidth() : m_defaultWidth;
    plan.bounds.height = isHeightValid() ? getHeight() : m_defaultHeight;
    if (!hasPosition())
        return plan;
    plan.placed = true;
    plan.bounds.x = getX();
    plan.bounds.y = getY();
    Rect screen;
    if (virtualScreen(&screen) && !isOnScreen(plan.bounds, screen)) {
        plan.centred = true;
        Rect area;
        if (workArea(&area))
            plan.bounds = centreIn(plan.bounds, area);
    }
    return plan;
}

void AppWindow::attachState(gui::IWindow* window, bool showVersion) {
    if (!window)
        return;
    const AttachPlan plan = planAttach();
    if (m_app)
        window->setIcons(iconOf(m_app, plan.smallIcon), iconOf(m_app, plan.bigIcon));
    window->setLocalizer(getLocalizer());
    window->setTitleId(m_textBase, showVersion ? m_textBase + kTextVersion : -1);
    if (m_skins) {
        if (gui::drawer::ISkin* skin = m_skins->getCurrentSkin())
            window->setSkin(skin);
    }
    window->setEasyDrag(plan.easyDrag);
    window->setKeepOnTop(plan.keepOnTop);
    window->setMiddleClickAction(plan.middleClick);
    window->resizeWindow(plan.bounds.width, plan.bounds.height);
    if (plan.maximize)
        window->maximize();
    if (!plan.placed)
        return;
    window->moveWindow(plan.bounds.x, plan.bounds.y);
    // Without screen information the window judges for itself.
    Rect screen;
    if (!virtualScreen(&screen) && !window->isOnScreen())
        window->asComponent()->centerInParent();
}

ShowPlan AppWindow::planShow(const WindowState& current, bool bringToFront, bool onScreenCheck) {
    Rect screen;
    const bool onScreen = !virtualScreen(&screen) || isOnScreen(current.bounds, screen);
    return planShow(current, bringToFront, onScreenCheck, onScreen);
}

ShowPlan AppWindow::planShow(const WindowState& current, bool bringToFront, bool onScreenCheck,
                             bool onScreen) {
    ShowPlan plan;
    if (current.visible)
        return plan;
    plan.restore = bringToFront && current.minimized;
    if (current.maximized)
        return plan;
    if (getMaximized()) {
        plan.maximize = true;
        return plan;
    }
    if (!onScreenCheck || (onScreen && hasPosition()))
        return plan;
    plan.centre = true;
    Rect area;
    if (workArea(&area)) {
        plan.haveTarget = true;
        plan.target = centreIn(current.bounds, area);
    }
    return plan;
}

WindowState AppWindow::stateOf(gui::IWindow* window) {
    WindowState state;
    gui::IComponent* component = window->asComponent();
    state.visible = component->isVisible() && !window->isClosed();
    state.minimized = window->isMinimized();
    state.maximized = window->isMaximized();
    state.bounds = {window->getWindowX(), window->getWindowY(), component->getWidth(),
                    component->getHeight()};
    return state;
}

void AppWindow::showWindow(gui::IWindow* window, bool visible, bool bringToFront) {
    if (!window)
        return;
    if (!visible) {
        storeState(window, true);
        window->showWindow(false, bringToFront);
        return;
    }
    const WindowState current = stateOf(window);
    // Without screen information the window's own check decides.
    Rect screen;
    const bool onScreen = virtualScreen(&screen) ? isOnScreen(current.bounds, screen) : window->isOnScreen();
    const ShowPlan plan = planShow(current, bringToFront, true, onScreen);
    if (plan.restore)
        window->restore();
    if (plan.maximize)
        window->maximize();
    if (plan.centre) {
        if (plan.haveTarget)
            window->moveWindow(plan.target.x, plan.target.y);
        else
            window->asComponent()->centerInParent();
    }
    window->showWindow(true, bringToFront);
}

void AppWindow::storeState(const WindowState& current) {
    if (!current.visible)
        return;
    if (current.maximized) {
        if (!getMaximized())
            setMaximized(true);
        return;
    }
    if (current.minimized)
        return;
    if (getMaximized())
        setMaximized(false);
    if (current.temporary)
        return;
    if (!hasX() || getX() != current.bounds.x)
        setX(current.bounds.x);
    if (!hasY() || getY() != current.bounds.y)
        setY(current.bounds.y);
    if (!hasWidth() || getWidth() != current.bounds.width)
        setWidth(current.bounds.width);
    if (!hasHeight() || getHeight() != current.bounds.height)
        setHeight(current.bounds.height);
}

void AppWindow::storeState(gui::IWindow* window, bool /*restoreFirst*/) {
    // The toolkit window has no temporary states (transparency, temporary
    // moves) on this platform, so there is nothing to end first.
    if (window)
        storeState(stateOf(window));
}

// -- task bar --

void AppWindow::taskbarBusy(gui::IWindow* /*window*/) {
    // The launcher entry has no busy state: an empty bar says "working".
    if (ITaskbar* taskbar = m_taskbar)
        taskbar->update(true, 0.0);
}

void AppWindow::taskbarProgress(gui::IWindow* /*window*/, i64 done, i64 total) {
    ITaskbar* taskbar = m_taskbar;
    if (!taskbar)
        return;
    const double fraction =
        total > 0 ? std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0) : 0.0;
    taskbar->update(true, fraction);
}

void AppWindow::taskbarClear(gui::IWindow* /*window*/) {
    if (ITaskbar* taskbar = m_taskbar)
        taskbar->update(false, 0.0);
}

void AppWindow::processStarted(event::INamedEventTarget* /*target*/) {
    taskbarBusy(nullptr);
}

void AppWindow::processProgress(event::INamedEventTarget* /*target*/, i64 total, i64 current) {
    taskbarProgress(nullptr, current, total);
}

void AppWindow::processEnded(event::INamedEventTarget* /*target*/) {
    taskbarClear(nullptr);
}

void AppWindow::reset() {
    m_name.reset();
    m_pathBuffer.reset();
    m_onMClickBuffer.reset();
    m_app = nullptr;
    m_viewGroup = u"View";
    m_scale = 1;
    m_textBase = kTextBase;
    m_localizer = nullptr;
    m_skins = nullptr;
    m_ownSkin = false;
    m_skinName.reset();
    m_defaultWidth = m_defaultHeight = 0;
    m_defaultEasyDrag = true;
    m_defaultMaximized = false;
    m_defaultKeepOnTop = false;
    m_defaultOnMClick = nullptr;
    m_onMClick = nullptr;
    m_taskbar = nullptr;
    m_screens = nullptr;
}

} // namespace s::app::win
