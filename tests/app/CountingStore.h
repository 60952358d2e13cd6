#pragma once

// A settings store that forwards to another and records every write, so
// that tests can tell which values an operation stored.

#include "foundation/map/IMappedData.h"

#include <string>
#include <vector>

namespace s::test {

class CountingStore final : public map::IMappedData {
public:
    explicit CountingStore(map::IMappedData& inner) : m_inner(inner) {}

    base::IObject* newInstance() const override { return nullptr; }
    const char16_t* getClassName() const override { return u"s_test_CountingStore"; }

    /// "group|key" of every write and removal since the last `clearWrites`.
    const std::vector<std::u16string>& writes() const { return m_writes; }
    void clearWrites() { m_writes.clear(); }

    bool save() override { return m_inner.save(); }
    bool openGroup(const char16_t* g) override { return m_inner.openGroup(g); }
    bool removeGroup(const char16_t* g) override { return note(g, u"*"), m_inner.removeGroup(g); }
    bool hasGroup(const char16_t* g) override { return m_inner.hasGroup(g); }
    bool hasKey(const char16_t* g, const char16_t* k) override { return m_inner.hasKey(g, k); }
    u8 getU8(const char16_t* g, const char16_t* k, u8 f) override { return m_inner.getU8(g, k, f); }
    u16 getU16(const char16_t* g, const char16_t* k, u16 f) override { return m_inner.getU16(g, k, f); }
    u32 getU32(const char16_t* g, const char16_t* k, u32 f) override { return m_inner.getU32(g, k, f); }
    i64 getS64(const char16_t* g, const char16_t* k, i64 f) override { return m_inner.getS64(g, k, f); }
    i8 getS8(const char16_t* g, const char16_t* k, i8 f) override { return m_inner.getS8(g, k, f); }
    i16 getS16(const char16_t* g, const char16_t* k, i16 f) override { return m_inner.getS16(g, k, f); }
    i32 getS32(const char16_t* g, const char16_t* k, i32 f) override { return m_inner.getS32(g, k, f); }
    float getFloat(const char16_t* g, const char16_t* k, float f) override {
        return m_inner.getFloat(g, k, f);
    }
    double getDouble(const char16_t* g, const char16_t* k, double f) override {
        return m_inner.getDouble(g, k, f);
    }
    bool getBool(const char16_t* g, const char16_t* k, bool f) override { return m_inner.getBool(g, k, f); }
    const char16_t* getString(const char16_t* g, const char16_t* k, const char16_t* f) override {
        return m_inner.getString(g, k, f);
    }
    col::_array::ArrayU08* getBytes(const char16_t* g, const char16_t* k, col::_array::ArrayU08* o) override {
        return m_inner.getBytes(g, k, o);
    }
    bool removeKey(const char16_t* g, const char16_t* k) override {
        return note(g, k), m_inner.removeKey(g, k);
    }
    bool setU8(const char16_t* g, const char16_t* k, u8 v) override {
        return note(g, k), m_inner.setU8(g, k, v);
    }
    bool setU16(const char16_t* g, const char16_t* k, u16 v) override {
        return note(g, k), m_inner.setU16(g, k, v);
    }
    bool setU32(const char16_t* g, const char16_t* k, u32 v) override {
        return note(g, k), m_inner.setU32(g, k, v);
    }
    bool setS64(const char16_t* g, const char16_t* k, i64 v) override {
        return note(g, k), m_inner.setS64(g, k, v);
    }
    bool setS8(const char16_t* g, const char16_t* k, i8 v) override {
        return note(g, k), m_inner.setS8(g, k, v);
    }
    bool setS16(const char16_t* g, const char16_t* k, i16 v) override {
        return note(g, k), m_inner.setS16(g, k, v);
    }
    bool setS32(const char16_t* g, const char16_t* k, i32 v) override {
        return note(g, k), m_inner.setS32(g, k, v);
    }
    bool setFloat(const char16_t* g, const char16_t* k, float v) override {
        return note(g, k), m_inner.setFloat(g, k, v);
    }
    bool setDouble(const char16_t* g, const char16_t* k, double v) override {
        return note(g, k), m_inner.setDouble(g, k, v);
    }
    bool setBool(const char16_t* g, const char16_t* k, bool v) override {
        return note(g, k), m_inner.setBool(g, k, v);
    }
    bool setString(const char16_t* g, const char16_t* k, const char16_t* v) override {
        return note(g, k), m_inner.setString(g, k, v);
    }
    bool touch() override { return m_inner.touch(); }
    bool setBytes(const char16_t* g, const char16_t* k, const col::_array::ArrayU08* b) override {
        return note(g, k), m_inner.setBytes(g, k, b);
    }
    bool isAutoSave() const override { return m_inner.isAutoSave(); }
    void setAutoSave(bool on) override { m_inner.setAutoSave(on); }

private:
    void note(const char16_t* group, const char16_t* key) {
        m_writes.push_back(std::u16string(group ? group : u"") + u"|" + (key ? key : u""));
    }

    map::IMappedData& m_inner;
    std::vector<std::u16string> m_writes;
};

} // namespace s::test
