#pragma once
// The user settings the windows read and write. The application shell implements it over its
// settings file; this default keeps the values in memory (tests, tools without a settings file).

#include <QHash>
#include <QString>

namespace korvel {

// Language codes stored as "lan": 0 English, 1 Simplified Chinese, 2 Russian.
inline constexpr int kLanEnglish = 0;
inline constexpr int kLanChinese = 1;
inline constexpr int kLanRussian = 2;

class Settings {
  public:
    virtual ~Settings() = default;

    virtual int ReadLan() { return lan_; }
    virtual void WriteLan(int value) { lan_ = value; }

    // Any whole-number key (the memory window's "mem_addr" and "mem_data"); a missing key
    // reads as `fallback`.
    virtual int ReadInt(const QString& key, int fallback = 0) const {
        return values_.value(key, fallback);
    }
    virtual void WriteInt(const QString& key, int value) { values_.insert(key, value); }

  private:
    int lan_ = kLanEnglish;
    QHash<QString, int> values_;
};

}  // namespace korvel
