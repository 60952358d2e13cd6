#pragma once

#include "foundation/thread/Pool.h"
#include "gui/ITextField.h"
#include "gui/events/ListenerList.h"
#include "gui/win/TextControl.h"

namespace s::gui::win {

/// A single-line text entry over a GtkEntry.
class TextField final : public TextControl<ITextField> {
    S_POOLED_CLASS(TextField)

public:
    static constexpr u32 kMaxPooled = 0;

    TextField();
    ~TextField() override;
    const char16_t* getClassName() const override { return u"s_gui_win_TextField"; }
    void reset() override;

    // -- ITextField --
    const char16_t* getText() override;
    void setText(const char16_t* text, bool notify) override;
    void addChangeListener(events::IEventListener* l) override { m_changeListeners.add(l); }
    void addEnterListener(events::IEventListener* l) override { m_enterListeners.add(l); }
    void addFocusLostListener(events::IEventListener* l) override { m_focusLostListeners.add(l); }
    void selectAll() override;
    void setPassword(bool password) override;
    bool isPassword() const override { return m_password; }
    bool isEditable() const override { return m_editable; }
    void setPercentWidth(i32 p) override { Component::setPercentWidth(p); }
    void setFixedWidth(i32 px) override { Component::setFixedWidth(px); }
    void setFixedHeight(i32 px) override { Component::setFixedHeight(px); }

    void setEditable(bool editable) override;
    /// Marks the text as not acceptable (the error look: red text and
    /// frame on a pale red ground), or clears the mark.
    void setInvalid(bool invalid);
    bool isInvalid() const { return m_invalid; }
    /// Sets the text by id in the window's language (not a user change).
    void setTextId(i32 id) { setTextById(id); }

    // -- input, as the widget reports it (public for tests) --
    /// The user changed the text to `text`.
    void userChanged(const char16_t* text);
    void enterPressed();
    void focusLost();

protected:
    GtkWidget* createWidget() override;
    void afterRealize() override;
    void beforeUnrealize() override;
    void applyText() override;
    void estimateSize(i32 textW, i32 textH, i32* w, i32* h) const override;
    const char* cssNode() const override { return "entry"; }
    void appendCss(std::string& css) const override;

private:
    static void onChanged(void* widget, void* data);
    static void onActivate(void* widget, void* data);
    static int onFocusOut(void* widget, void* event, void* data);

    events::ListenerList m_changeListeners;
    events::ListenerList m_enterListeners;
    events::ListenerList m_focusLostListeners;
    bool m_password = false;
    bool m_editable = true;
    bool m_invalid = false;
    bool m_quiet = false; // the widget's change notification is not the user's
};

} // namespace s::gui::win
