#include "gui/win/Label.h"

#include "gui/IWindow.h"
#include "gui/drawer/text/win/Basic.h"
#include "gui/win/FontSetting.h"
#include "gui/win/Relayout.h"
#include "gui/win/Text.h"
#include "gui/win/UIThread.h"

#include <gio/gio.h>

#include <algorithm>
#include <mutex>

namespace s::gui::win {

struct Label::Guard {
    std::recursive_mutex mutex;
    Label* label = nullptr;     // null once the label is gone
    std::u16string delayedText; // under mutex
    guint delaySource = 0;      // user-interface thread only
};

namespace {

constexpr char16_t kDots[] = u"...";

std::mutex& openerMutex() {
    static std::mutex m;
    return m;
}

Label::LinkOpener& linkOpener() {
    static Label::LinkOpener opener;
    return opener;
}

bool openWithDesktop(const char16_t* target) {
    const std::string text = toUtf8(target);
    if (text.empty())
        return false;
    std::string uri;
    if (char* scheme = g_uri_parse_scheme(text.c_str())) {
        g_free(scheme);
        uri = text;
    } else if (g_path_is_absolute(text.c_str())) {
        char* fileUri = g_filename_to_uri(text.c_str(), nullptr, nullptr);
        if (!fileUri)
            return false;
        uri = fileUri;
        g_free(fileUri);
    } else {
        uri = "https://" + text; // a bare host name
    }
    return g_app_info_launch_default_for_uri(uri.c_str(), nullptr, nullptr);
}

} // namespace

Label::Label()
    : m_font(FontSetting::create()), m_drawer(drawer::text::win::Basic::create()),
      m_guard(std::make_shared<Guard>()) {
    m_guard->label = this;
    remeasure();
}

Label::~Label() {
    {
        std::lock_guard lock(m_guard->mutex);
        m_guard->label = nullptr;
    }
    for (FontSetting* look : m_looks)
        if (look)
            look->release();
    m_font->release();
    m_drawer->release();
}

void Label::reset() {
    {
        // Queued changes must not reach a label that was handed back.
        std::lock_guard lock(m_guard->mutex);
        m_guard->label = nullptr;
    }
    m_guard = std::make_shared<Guard>();
    m_guard->label = this;
    m_text.clear();
    m_textId = -1;
    m_wordWrap = m_endEllipsis = m_center = m_clickable = false;
    m_link.clear();
    m_hover = m_pressed = false;
    m_clickListeners.clear();
    for (i32 i = 0; i < kLookCount; ++i) {
        if (m_looks[i])
            m_looks[i]->release();
        m_looks[i] = nullptr;
    }
    m_lookColor[kLookNormal] = -1;
    m_lookColor[kLookHover] = static_cast<i32>(kDefaultHoverColor);
    m_lookColor[kLookPressed] = -1;
    m_lookColor[kLookDisabled] = static_cast<i32>(kDisabledColor);
    m_font->reset();
    m_drawer->reset();
    m_measureCount = 0;
    Component::reset();
    remeasure();
}

// -- text style --

void Label::setTextStyle(i32 style) {
    m_font->setStyle(style);
    redraw();
}

void Label::fontChanged() {
    measureAndLayout();
    redraw();
}

// -- text --

void Label::setWordWrap(bool wrap) {
    if (wrap == m_wordWrap)
        return;
    m_wordWrap = wrap;
    measureAndLayout();
    redraw();
}

void Label::setEndEllipsis(bool ellipsis) {
    if (ellipsis == m_endEllipsis)
        return;
    m_endEllipsis = ellipsis;
    measureAndLayout();
    redraw();
}

void Label::setCenter(bool center) {
    if (center == m_center)
        return;
    m_center = center;
    measureAndLayout();
    redraw();
}

bool Label::setText(const char16_t* text, bool redraw) {
    m_textId = -1;
    const char16_t* t = text ? text : u"";
    if (m_text == t)
        return false;
    m_text = t;
    measureAndLayout();
    if (redraw)
        this->redraw();
    return true;
}

void Label::setTextById() {
    if (m_textId < 0 || !m_window)
        return;
    const char16_t* t = m_window->text(m_textId);
    if (m_text == t)
        return;
    m_text = t;
    measureAndLayout();
    redraw();
}

void Label::setTextId(i32 id) {
    m_textId = id;
    setTextById();
}

void Label::onLanguageChanged() {
    setTextById();
}

void Label::setTextFromOtherThread(const char16_t* text) {
    std::shared_ptr<Guard> guard = m_guard;
    std::u16string t = text ? text : u"";
    const bool posted = UIThread::instance().post([guard, t] {
        std::lock_guard lock(guard->mutex);
        if (guard->label)
            guard->label->setText(t.c_str(), true);
    });
    if (!posted)
        setText(t.c_str(), true); // no user-interface thread: nobody else paints
}

void Label::setTextDelayed(const char16_t* text) {
    std::shared_ptr<Guard> guard = m_guard;
    {
        std::lock_guard lock(guard->mutex);
        guard->delayedText = text ? text : u"";
    }
    const bool posted = UIThread::instance().post([guard] {
        // Like re-setting a window timer: a waiting change starts over.
        if (guard->delaySource)
            g_source_remove(guard->delaySource);
        guard->delaySource = g_timeout_add_full(
            G_PRIORITY_DEFAULT, kLabelDelayMs,
            +[](gpointer data) -> gboolean {
                auto* g = static_cast<std::shared_ptr<Guard>*>(data)->get();
                std::lock_guard lock(g->mutex);
                g->delaySource = 0;
                if (g->label)
                    g->label->setText(g->delayedText.c_str(), true);
                return G_SOURCE_REMOVE;
            },
            new std::shared_ptr<Guard>(guard),
            +[](gpointer data) { delete static_cast<std::shared_ptr<Guard>*>(data); });
    });
    if (!posted)
        setText(text, true);
}

// -- measuring --

drawer::IText* Label::textDrawer() const {
    if (m_window)
        if (drawer::ISkin* skin = m_window->getSkin(); skin && skin->getText())
            return skin->getText();
    return m_drawer;
}

u32 Label::layoutFlags() const {
    if (m_center)
        return drawer::kTextCenter;
    if (m_wordWrap)
        return drawer::kTextWordWrap;
    if (m_endEllipsis)
        return drawer::kTextEndEllipsis;
    return drawer::kTextSingleLine;
}

void Label::sizeAt(i32 width, i32* w, i32* h) {
    if (m_sizesRevision != m_font->getRevision()) {
        m_sizes.clear();
        m_sizesRevision = m_font->getRevision();
    }
    const i32 key = m_wordWrap && !m_center ? width : -1;
    if (auto it = m_sizes.find(key); it != m_sizes.end()) {
        *w = it->second.first;
        *h = it->second.second;
        return;
    }
    ++m_measureCount;
    textDrawer()->measure(m_text.c_str(), *m_font, key < 0 ? drawer::kTextSingleLine : drawer::kTextWordWrap,
                          key, w, h);
    m_sizes[key] = {*w, *h};
}

bool Label::remeasure() {
    const i32 before[4] = {getMinWidth(), getMinHeight(), getMaxWidth(), getMaxHeight()};
    m_sizes.clear();
    m_sizesRevision = m_font->getRevision();
    i32 fullW = 0;
    i32 fullH = 0;
    sizeAt(-1, &fullW, &fullH);
    if (m_wordWrap && !m_center) {
        // Wrapped to one pixel every word stands on a line of its own: the
        // widest word is the narrowest the label can be.
        i32 wordW = 0;
        i32 wordH = 0;
        sizeAt(1, &wordW, &wordH);
        i32 h = fullH;
        if (m_width > 0) {
            i32 w = 0;
            sizeAt(std::clamp(m_width, std::min(wordW, fullW), fullW), &w, &h);
        }
        setMeasuredSize(std::min(wordW, fullW), h);
        setMeasuredMaxSize(fullW, fullH);
    } else if (m_endEllipsis || m_center) {
        i32 dotsW = 0;
        i32 dotsH = 0;
        ++m_measureCount;
        textDrawer()->measure(kDots, *m_font, drawer::kTextSingleLine, 0, &dotsW, &dotsH);
        setMeasuredSize(std::min(dotsW, fullW), fullH);
        setMeasuredMaxSize(fullW, fullH);
    } else {
        setMeasuredSize(fullW, fullH);
        setMeasuredMaxSize(0, 0);
    }
    const i32 after[4] = {getMinWidth(), getMinHeight(), getMaxWidth(), getMaxHeight()};
    return !std::equal(std::begin(before), std::end(before), std::begin(after));
}

void Label::measureAndLayout() {
    if (remeasure())
        layoutAfterMeasure(this);
}

void Label::setSizeWithin(i32 w, i32 h) {
    if (m_wordWrap && !m_center) {
        const i32 width = std::max(getMinWidth(), std::min(w, getMaxWidth()));
        i32 tw = 0;
        i32 th = 0;
        sizeAt(width, &tw, &th);
        if (th != m_measuredH)
            setMeasuredSize(m_measuredW, th);
    }
    Component::setSizeWithin(w, h);
}

void Label::setEnabled(bool enabled) {
    if (!enabled)
        m_hover = m_pressed = false;
    Component::setEnabled(enabled);
}

// -- looks and painting --

FontSetting* Label::lookFont(Look look) {
    i32 colour = m_lookColor[look];
    if (look == kLookPressed && colour < 0)
        colour = m_lookColor[kLookHover];
    if (colour < 0)
        return m_font;
    FontSetting*& font = m_looks[look];
    if (!font) {
        font = FontSetting::create();
        m_lookRevision[look] = m_font->getRevision() - 1;
    }
    if (m_lookRevision[look] != m_font->getRevision() || font->getColor() != static_cast<u32>(colour)) {
        font->copyFrom(*m_font);
        font->setColor((colour >> 16) & 255, (colour >> 8) & 255, colour & 255);
        m_lookRevision[look] = m_font->getRevision();
    }
    return font;
}

void Label::setNormalColor(i32 r, i32 g, i32 b) {
    m_lookColor[kLookNormal] = ((r & 255) << 16) | ((g & 255) << 8) | (b & 255);
    redraw();
}

void Label::setHoverColor(i32 r, i32 g, i32 b) {
    m_lookColor[kLookHover] = ((r & 255) << 16) | ((g & 255) << 8) | (b & 255);
    redraw();
}

void Label::setPressedColor(i32 r, i32 g, i32 b) {
    m_lookColor[kLookPressed] = ((r & 255) << 16) | ((g & 255) << 8) | (b & 255);
    redraw();
}

void Label::paint(MemDC& dc, i32 w, i32 h) {
    Look look = kLookNormal;
    if (!isEnabled())
        look = kLookDisabled;
    else if (m_clickable && m_pressed)
        look = kLookPressed;
    else if (m_clickable && m_hover)
        look = kLookHover;
    textDrawer()->paintText(dc, 0, 0, w, h, m_text.c_str(), *lookFont(look), layoutFlags(), isEnabled());
}

// -- clicks --

void Label::setClickable(bool clickable) {
    m_clickable = clickable;
    if (!clickable)
        m_hover = m_pressed = false;
    redraw();
}

void Label::setLinkTarget(const char16_t* target) {
    m_link = target ? target : u"";
}

bool Label::onMouse(const MouseEvent& event) {
    if (!m_clickable || !isEnabled())
        return false;
    const bool inside = event.x >= 0 && event.y >= 0 && event.x < m_width && event.y < m_height;
    switch (event.kind) {
    case MouseEvent::kEnter:
    case MouseEvent::kMove:
        if (inside != m_hover) {
            m_hover = inside;
            redraw();
        }
        return true;
    case MouseEvent::kLeave:
        if (m_hover) {
            m_hover = false;
            redraw();
        }
        return true;
    case MouseEvent::kPress:
    case MouseEvent::kDoubleClick:
        if (event.button != 1)
            return false;
        m_pressed = true;
        m_hover = inside;
        redraw();
        return true;
    case MouseEvent::kRelease: {
        if (event.button != 1)
            return false;
        const bool wasPressed = m_pressed;
        m_pressed = false;
        m_hover = inside;
        redraw();
        if (wasPressed && inside)
            click();
        return true;
    }
    }
    return false;
}

void Label::click() {
    if (!m_link.empty())
        openLink(m_link.c_str());
    m_clickListeners.fire(this, kLabelClick);
}

void Label::setLinkOpener(LinkOpener opener) {
    std::lock_guard lock(openerMutex());
    linkOpener() = std::move(opener);
}

bool Label::openLink(const char16_t* target) {
    LinkOpener opener;
    {
        std::lock_guard lock(openerMutex());
        opener = linkOpener();
    }
    return opener ? opener(target) : openWithDesktop(target);
}

} // namespace s::gui::win
