#include "uiframework/language.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include "common/qt_test_app.h"
#include "uiframework/framework.h"

namespace korvel::ui {
namespace {

class LanguageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::EnsureQtApp();
        UiFramework::Instance();  // registers the embedded language files
        LanguageManager::Instance().Select(kLanguageEnglish);
    }
    void TearDown() override { LanguageManager::Instance().Select(kLanguageEnglish); }

    static QHash<QString, QString> Load(const QString& path) {
        QFile file(path);
        QHash<QString, QString> texts;
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        EXPECT_TRUE(LanguageManager::ParseLanguageXml(file.readAll(), &texts));
        return texts;
    }
};

TEST_F(LanguageTest, TranslatesEveryKeyInAText) {
    LanguageManager& lan = LanguageManager::Instance();
    EXPECT_EQ(lan.Translate("${confirm}"), "OK");
    EXPECT_EQ(lan.Translate("[${confirm}|${cancel}]"), "[OK|Cancel]");
    EXPECT_EQ(lan.Translate("plain text"), "plain text");
    EXPECT_EQ(lan.Translate("${reverse phase}"), "Invert") << "keys may contain a blank";
    EXPECT_EQ(lan.Translate("${no_such_key}"), "${no_such_key}") << "missing keys stay visible";
    EXPECT_EQ(lan.Translate("cost $5 {x}"), "cost $5 {x}");
}

TEST_F(LanguageTest, ChineseAndFallbacks) {
    LanguageManager& lan = LanguageManager::Instance();
    lan.Select(kLanguageChinese);
    EXPECT_EQ(lan.Translate("${tips}"), QString::fromUtf8("提示"));
    EXPECT_EQ(lan.Translate("${confirm}"), QString::fromUtf8("确定"));

    lan.Select(kLanguageRussian);  // no Russian file: English texts
    EXPECT_EQ(lan.Current(), kLanguageRussian);
    EXPECT_EQ(lan.Translate("${tips}"), "Notice");
}

TEST_F(LanguageTest, SelectNotifiesOnlyOnChange) {
    LanguageManager& lan = LanguageManager::Instance();
    int changes = 0;
    auto connection = QObject::connect(&lan, &LanguageManager::LanguageChanged, [&] { ++changes; });
    lan.Select(kLanguageEnglish);
    lan.Select(QString());  // an unknown stored value leaves the language alone
    EXPECT_EQ(changes, 0);
    lan.Select(kLanguageChinese);
    lan.Select(kLanguageChinese);
    EXPECT_EQ(changes, 1);
    QObject::disconnect(connection);
}

TEST_F(LanguageTest, SettingValuesMapToCodes) {
    EXPECT_EQ(LanguageCodeForSetting(0), "en");
    EXPECT_EQ(LanguageCodeForSetting(1), "cn_zh");
    EXPECT_EQ(LanguageCodeForSetting(2), "ru");
    EXPECT_TRUE(LanguageCodeForSetting(3).isEmpty());
    EXPECT_TRUE(LanguageCodeForSetting(-1).isEmpty());
}

TEST_F(LanguageTest, MalformedLanguageFilesAreRejected) {
    QHash<QString, QString> texts;
    EXPECT_FALSE(LanguageManager::ParseLanguageXml("<Language><Text key='a'>x</Language>", &texts));
    EXPECT_FALSE(LanguageManager::ParseLanguageXml("<Other/>", &texts));
    EXPECT_FALSE(LanguageManager::ParseLanguageXml("", &texts));
    EXPECT_FALSE(LanguageManager::Instance().Register("xx", ":/lan/missing.xml"));
}

// Both files must offer the same keys with non-empty texts, and each translation must take the
// same printf arguments, or formatting a Chinese text would read the wrong argument.
TEST_F(LanguageTest, LanguageFilesAgreeOnKeysAndFormatArguments) {
    const auto english = Load(kLanguageFileEnglish);
    const auto chinese = Load(kLanguageFileChinese);
    ASSERT_GE(english.size(), 140);
    EXPECT_EQ(english.size(), chinese.size());
    const QRegularExpression conversions(QStringLiteral("%[ds%]"));
    auto argumentsOf = [&](const QString& text) {
        QStringList found;
        auto it = conversions.globalMatch(text);
        while (it.hasNext()) {
            found.append(it.next().captured());
        }
        return found;
    };
    for (auto it = english.constBegin(); it != english.constEnd(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        ASSERT_TRUE(chinese.contains(it.key()));
        EXPECT_FALSE(it.value().trimmed().isEmpty());
        EXPECT_FALSE(chinese.value(it.key()).trimmed().isEmpty());
        EXPECT_EQ(argumentsOf(it.value()), argumentsOf(chinese.value(it.key())));
    }
}

}  // namespace
}  // namespace korvel::ui
