#pragma once

#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::listbox::win {

/// What both list drawers share: rows on the list's background, every other
/// row shaded when an alternate colour is set, the selected row in the
/// selection colours, a hot row outlined in the selection colour, tree
/// marks ("#TreeClosed", "#TreeOpen") and check boxes ("#Check") before the
/// text, indented 16 x s per tree level.
class Rows : public IListBox {
public:
    /// Tree indent per level (times the scale).
    static constexpr i32 kIndent = 16;

    void setColours(Rgb background, Rgb text, Rgb selection, Rgb selectedText) {
        m_background = background;
        m_text = text;
        m_selection = selection;
        m_selectedText = selectedText;
    }
    Rgb getBackgroundColour() const { return m_background; }
    Rgb getTextColour() const { return m_text; }
    Rgb getSelectionColour() const { return m_selection; }
    Rgb getSelectedTextColour() const { return m_selectedText; }
    void setAlternateColour(Rgb c) {
        m_alternate = c;
        m_hasAlternate = true;
    }
    void clearAlternateColour() { m_hasAlternate = false; }
    bool hasAlternateColour() const { return m_hasAlternate; }
    Rgb getAlternateColour() const { return m_alternate; }
    void setScale(i32 s) { m_scale = s; }

    /// The list's background.
    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paintRow(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const ListRow& row,
                  gui::win::FontSetting* font) override;

protected:
    void resetRows(Rgb background, Rgb text, Rgb selection, Rgb selectedText);

private:
    Rgb m_background;
    Rgb m_text;
    Rgb m_selection;
    Rgb m_selectedText;
    Rgb m_alternate;
    bool m_hasAlternate = false;
    i32 m_scale = 0;
    Caption m_caption;
};

} // namespace s::gui::drawer::listbox::win
