#include "gui/dialogs/About3.h"

#include "foundation/lang/Localizer.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Skinner.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/Label.h"
#include "gui/win/Spacer.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"

#include <algorithm>

namespace s::gui::dialogs {

namespace {

// The "Classic LG" scheme: background, text and link colours.
constexpr i32 kBackground[3] = {116, 116, 116};
constexpr i32 kText[3] = {255, 255, 255};
constexpr i32 kLink[3] = {0, 170, 0};
constexpr i32 kLinkHover[3] = {170, 170, 0};

win::Label* rowLabel(const char16_t* text, i32 width) {
    win::Label* l = win::Label::create();
    l->setText(text, false);
    l->setTextColor(kText[0], kText[1], kText[2]);
    if (width > 0)
        l->setFixedWidth(width);
    return l;
}

} // namespace

About3::~About3() { reset(); }

void About3::reset() {
    if (m_window) {
        win::Window* window = m_window;
        m_window = nullptr;
        window->release();
    }
    if (m_skinner)
        m_skinner->release();
    m_skinner = nullptr;
    m_urlLabel = nullptr;
    m_closeButton = m_closeIcon = nullptr;
    m_localizer = nullptr;
    m_version.clear();
    m_updated.clear();
    m_url.clear();
    m_secondLinkId = -1;
    m_secondUrl.clear();
}

void About3::setInfo(const char16_t* version, const char16_t* lastUpdated, const char16_t* url) {
    m_version = version ? version : u"";
    m_updated = lastUpdated ? lastUpdated : u"";
    m_url = url ? url : u"";
}

void About3::setSecondLink(i32 textId, const char16_t* url) {
    m_secondLinkId = textId;
    m_secondUrl = url ? url : u"";
}

const char16_t* About3::text(i32 id, const char16_t* english) const {
    if (m_localizer && m_localizer->hasText(id))
        return m_localizer->getText(id);
    return english;
}

void About3::show(i32 scaleFactor) {
    if (!win::UIThread::isUiThread()) {
        win::UIThread::instance().invoke([this, scaleFactor] { show(scaleFactor); });
        return;
    }
    // The texts are read when the window is made: a window made in another
    // language is made again.
    const std::u16string language = m_localizer ? m_localizer->currentLanguage() : u"";
    if (m_window && language != m_builtLanguage) {
        win::Window* old = m_window;
        m_window = nullptr;
        m_urlLabel = nullptr;
        m_closeButton = m_closeIcon = nullptr;
        old->release();
    }
    if (!m_window) {
        m_builtLanguage = language;
        build(scaleFactor < 1 ? 1 : scaleFactor);
    }
    if (m_window)
        m_window->showWindow(true, true);
}

void About3::build(i32 s) {
    m_window = win::Window::create();
    m_window->setLocalizer(m_localizer);
    m_skinner = drawer::Skinner::makeWindowSkinner();
    if (drawer::ISkin* skin = m_skinner->findSkin(u"Classic LG"))
        m_window->setSkin(skin);
    m_window->setBackgroundColor(kBackground[0], kBackground[1], kBackground[2], false);
    m_window->setTitleId(400100, -1);
    if (!m_localizer)
        m_window->setTitle(u"Version Information");
    m_window->setResizable(false);

    win::Box* column = win::Box::create();
    column->setKindColumn();
    column->setPercentSize100();
    column->setPadding(14 * s);
    column->setVGap(10 * s);

    win::Box* top = win::Box::create();
    top->setKindRow();
    top->setPercentWidth(100, false);
    top->setHAlignRight();
    m_closeIcon = win::Button::create();
    m_closeIcon->setText(u"#X");
    m_closeIcon->setFixedWidth(20 * s);
    m_closeIcon->setFixedHeight(20 * s);
    m_closeIcon->addActionListener(this);
    top->add(m_closeIcon);
    column->add(top);

    // The names line up in one column as wide as the widest of them and a
    // little room before the values (at least the classic width).
    win::Label* names[4] = {rowLabel(text(400010, u"Version:"), 0), rowLabel(text(400020, u"Last Updated:"), 0),
                            rowLabel(text(400080, u"URL:"), 0),
                            m_secondLinkId >= 0 ? rowLabel(text(m_secondLinkId, u""), 0) : nullptr};
    i32 labelWidth = 100 * s;
    for (win::Label* name : names) {
        if (name) {
            labelWidth = std::max(labelWidth, name->getMinWidth() + 8 * s);
        }
    }
    for (win::Label* name : names) {
        if (name)
            name->setFixedWidth(labelWidth);
    }
    // An address is shown whole (the window widens for it); other values
    // end in an ellipsis where they do not fit.
    auto addRow = [&](win::Label* name, win::Label* value, bool whole = false) {
        win::Box* row = win::Box::create();
        row->setKindRow();
        row->setPercentWidth(100, false);
        row->add(name);
        value->setPercentWidth(100);
        value->setEndEllipsis(!whole);
        row->add(value);
        column->add(row);
    };
    addRow(names[0], rowLabel(m_version.c_str(), 0));
    addRow(names[1], rowLabel(m_updated.c_str(), 0));
    auto makeLink = [&](const std::u16string& url) {
        win::Label* link = win::Label::create();
        link->setText(url.c_str(), false);
        link->setClickable(true);
        link->setLinkTarget(url.c_str());
        link->setNormalColor(kLink[0], kLink[1], kLink[2]);
        link->setHoverColor(kLinkHover[0], kLinkHover[1], kLinkHover[2]);
        return link;
    };
    m_urlLabel = makeLink(m_url);
    addRow(names[2], m_urlLabel, true);
    if (names[3])
        addRow(names[3], makeLink(m_secondUrl), true);

    win::Spacer* filler = win::Spacer::create();
    filler->setPercentHeight(100);
    column->add(filler);
    win::Box* bottom = win::Box::create();
    bottom->setKindRow();
    bottom->setPercentWidth(100, false);
    bottom->setHAlignCenter();
    m_closeButton = win::Button::create();
    m_closeButton->setText(text(400120, u"Close"));
    m_closeButton->setFixedWidth(90 * s);
    m_closeButton->addActionListener(this);
    bottom->add(m_closeButton);
    column->add(bottom);
    m_window->add(column);
    m_window->addCloseListener(this);

    if (!m_window->createWindow()) {
        m_window->release();
        m_window = nullptr;
        return;
    }
    // The classic size, or what the rows need when larger fonts or longer
    // texts do not fit in it.
    m_window->doLayout();
    m_window->doLayout();
    m_window->resizeWindow(std::max(kWidth * s, m_window->getClientMinWidth()),
                           std::max(kHeight * s, m_window->getClientMinHeight()));
}

void About3::onEvent(IComponent* source, i32 code) {
    if (!m_window)
        return;
    if ((source == m_closeButton || source == m_closeIcon) && code == 1) {
        m_window->close();
    } else if (source == m_window && code == kWindowClose) {
        // Kept for the next showing: closing only hides the window (the
        // toolkit hides a window that closes).
    }
}

} // namespace s::gui::dialogs
