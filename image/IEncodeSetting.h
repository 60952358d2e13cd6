#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"

#include <string>

namespace s::map {
class IMappedData;
}

namespace s::image {

class IEncodedImage;
namespace win {
class BufferedImage;
class BufferedImageSet;
} // namespace win

/// The user's choices for one image format, kept in the settings store, and
/// the encoding of a buffer with them. Pooled: taken, bound (which loads),
/// used for one encode, released.
///
/// The values live in the store group made of the bound path, a backslash and
/// the class's own directory (say "...\ConvertTo\Jpg\JpgEncodeSetting").
/// Without a store, `load` and `save` do nothing and the defaults stand; a
/// missing key reads as its default, and a stored value out of range is
/// handed to the encoder unchanged.
class IEncodeSetting : public base::IObject, public thread::IPoolable {
public:
    /// An encoded picture made from a set (see each format); the caller owns it.
    [[nodiscard]] virtual IEncodedImage* encodeSet(win::BufferedImageSet* set);
    /// An encoded picture of the buffer (its filtered picture when it has
    /// filters); the caller owns it. Null when nothing can be made.
    [[nodiscard]] virtual IEncodedImage* encode(win::BufferedImage* image) = 0;
    /// A settings panel for these options: no flow of the program opens one,
    /// so there is none (null).
    virtual base::IObject* createBox() { return nullptr; }
    /// Takes the panel's values (there is none) and saves; false only when
    /// the store refused a value.
    virtual bool applyBox();

    bool hasStore() const { return m_store != nullptr; }
    map::IMappedData* getStore() const { return m_store; }
    const std::u16string& getPath() const { return m_path; }
    /// Remembers the path and the store (not owned), then loads.
    void bind(const char16_t* path, map::IMappedData* store);
    /// Reads every field from the store.
    virtual void load() = 0;
    /// Writes every field to the store; false when the store refused a value.
    virtual bool save() = 0;

    /// The store group of this setting's values.
    std::u16string getGroup() const;

protected:
    /// "JpgEncodeSetting", "PngEncodeSetting" and so on.
    virtual const char16_t* getClassDirectory() const = 0;
    /// Forgets the store, the path and the panel.
    void resetBinding();

    map::IMappedData* m_store = nullptr; // not owned
    std::u16string m_path;
    base::IObject* m_box = nullptr; // not owned; always null (no panels)
};

} // namespace s::image
