#pragma once
// The settings file "korvel.ini", section "config": the language ("lan") and the memory
// window's last address and data ("mem_addr", "mem_data"). It lives in the user's configuration
// folder ("<config>/korvel/korvel.ini"); when that folder cannot be determined or created, in
// the current directory. A missing file or key reads as 0; the file is created on first write.

#include <QString>

#include "windows/settings.h"

namespace korvel {

inline constexpr const char* kSettingsFileName = "korvel.ini";
inline constexpr const char* kSettingsSection = "config";

class IniSettings : public Settings {
  public:
    explicit IniSettings(QString filePath = DefaultFilePath());

    // "<configFolder>/korvel.ini" when `configFolder` exists or can be created, otherwise
    // "korvel.ini" in the current directory. An empty folder means "cannot be determined".
    static QString FilePathIn(const QString& configFolder);
    // FilePathIn("<generic configuration location>/korvel").
    static QString DefaultFilePath();

    const QString& FilePath() const { return path_; }

    int ReadLan() override;
    void WriteLan(int value) override;  // stored as the text "0", "1" or "2"

    // Any key of the section; a missing or non-numeric value reads as `fallback`.
    int ReadInt(const QString& key, int fallback = 0) const override;
    void WriteInt(const QString& key, int value) override;

  private:
    QString path_;
};

}  // namespace korvel
