#pragma once

#include "foundation/base/IObject.h"
#include "foundation/lang/Localizer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"
#include "gui/events/IEventListener.h"

#include <string>

namespace s::gui::combobox {

/// One entry of a combo box: its text, given literally or by language id,
/// and three ints of the owner's data. An entry with an id listens to its
/// localizer and reads its text again when the language changes.
class ComboBoxItem final : public base::IObject,
                           public thread::IPoolable,
                           public events::IEventListener,
                           public lang::ILanguageListener {
    S_POOLED_CLASS(ComboBoxItem)

public:
    ComboBoxItem() = default;
    ComboBoxItem(const ComboBoxItem&) = delete;
    ComboBoxItem& operator=(const ComboBoxItem&) = delete;
    ~ComboBoxItem() override;
    const char16_t* getClassName() const override { return u"s_gui_combobox_ComboBoxItem"; }
    /// Stops listening to the localizer and clears every field.
    void reset() override;

    /// A literal text (the id becomes -1).
    void setText(const char16_t* text);
    const char16_t* getText() const { return m_text.c_str(); }
    /// The text of `id` from `localizer`, followed on language changes.
    /// Without a localizer the text stays empty until the combo box gives
    /// the item its window's localizer.
    void setTextId(i32 id, lang::Localizer* localizer);
    i32 getTextId() const { return m_textId; }
    lang::Localizer* getLocalizer() const { return m_localizer; }
    /// Starts listening to `localizer` (not owned); null stops.
    void setLocalizer(lang::Localizer* localizer);
    /// Reads a text given by id again; true when it changed.
    bool refreshText();

    i32 getData1() const { return m_data1; }
    i32 getData2() const { return m_data2; }
    i32 getData3() const { return m_data3; }
    void setData1(i32 v) { m_data1 = v; }
    void setData2(i32 v) { m_data2 = v; }
    void setData3(i32 v) { m_data3 = v; }

    /// Any toolkit event re-reads the text (the language menu's way).
    void onEvent(IComponent* source, i32 code) override;
    /// The localizer changed its language.
    void onEvent(base::IObject* source, i32 code) override;

private:
    std::u16string m_text;
    i32 m_textId = -1;
    lang::Localizer* m_localizer = nullptr; // not owned; listened to while set
    i32 m_data1 = 0;
    i32 m_data2 = 0;
    i32 m_data3 = 0;
};

} // namespace s::gui::combobox
