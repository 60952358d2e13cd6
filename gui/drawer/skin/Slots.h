#pragma once

#include "gui/drawer/IDrawer.h"

#include <string>

namespace s::gui::drawer::skin {

/// The shape both skin families share: a name and one owned drawer per
/// control kind. Setting a drawer releases the one it replaces (setting the
/// same drawer again keeps it); reset releases them all and clears the name.
class Slots : public ISkin {
public:
    Slots() = default;
    Slots(const Slots&) = delete;
    Slots& operator=(const Slots&) = delete;
    ~Slots() override;
    void reset() override;

    const char16_t* getName() const override { return m_name.c_str(); }
    void setName(const char16_t* name) override { m_name = name ? name : u""; }
    void setWindow(IWindow* d) override { replace(m_window, d); }
    IWindow* getWindow() const override { return m_window; }
    void setButton(IButton* d) override { replace(m_button, d); }
    IButton* getButton() const override { return m_button; }
    void setText(IText* d) override { replace(m_text, d); }
    IText* getText() const override { return m_text; }
    void setScrollBar(IScrollBar* d) override { replace(m_scrollBar, d); }
    IScrollBar* getScrollBar() const override { return m_scrollBar; }
    void setCheckBox(ICheckBox* d) override { replace(m_checkBox, d); }
    ICheckBox* getCheckBox() const override { return m_checkBox; }
    void setRadioButton(IRadioButton* d) override { replace(m_radioButton, d); }
    IRadioButton* getRadioButton() const override { return m_radioButton; }
    void setSlider(ISlider* d) override { replace(m_slider, d); }
    ISlider* getSlider() const override { return m_slider; }
    void setCounter(ICounter* d) override { replace(m_counter, d); }
    ICounter* getCounter() const override { return m_counter; }
    void setListHeader(IListHeader* d) override { replace(m_listHeader, d); }
    IListHeader* getListHeader() const override { return m_listHeader; }
    void setListBox(IListBox* d) override { replace(m_listBox, d); }
    IListBox* getListBox() const override { return m_listBox; }
    void setStatusBar(IStatusBar* d) override { replace(m_statusBar, d); }
    IStatusBar* getStatusBar() const override { return m_statusBar; }
    void setMenu(IMenu* d) override { replace(m_menu, d); }
    IMenu* getMenu() const override { return m_menu; }
    void setCombo(ICombo* d) override { replace(m_combo, d); }
    ICombo* getCombo() const override { return m_combo; }
    void setGroupBox(IGroupBox* d) override { replace(m_groupBox, d); }
    IGroupBox* getGroupBox() const override { return m_groupBox; }
    void setTabBox(ITabBox* d) override { replace(m_tabBox, d); }
    ITabBox* getTabBox() const override { return m_tabBox; }

private:
    template <class D>
    static void replace(D*& slot, D* drawer) {
        if (slot == drawer)
            return;
        if (slot)
            slot->release();
        slot = drawer;
    }
    void releaseAll();

    std::u16string m_name;
    IWindow* m_window = nullptr;
    IButton* m_button = nullptr;
    IText* m_text = nullptr;
    IScrollBar* m_scrollBar = nullptr;
    ICheckBox* m_checkBox = nullptr;
    IRadioButton* m_radioButton = nullptr;
    ISlider* m_slider = nullptr;
    ICounter* m_counter = nullptr;
    IListHeader* m_listHeader = nullptr;
    IListBox* m_listBox = nullptr;
    IStatusBar* m_statusBar = nullptr;
    IMenu* m_menu = nullptr;
    ICombo* m_combo = nullptr;
    IGroupBox* m_groupBox = nullptr;
    ITabBox* m_tabBox = nullptr;
};

} // namespace s::gui::drawer::skin
