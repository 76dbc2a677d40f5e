#include "core/settings/settings_entries.h"
#include "app_fixture.h"
#include "core/settings/apply_settings.h"
#include "core/settings/number_reading.h"
#include "core/settings/program_settings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <variant>

namespace tornel {
namespace {

using Field = RefusedEntry::Field;

TEST(NumberReading, LeadingNumberAndWholeText) {
    struct Case {
        const char* text;
        std::optional<double> leading;
        std::optional<double> whole;
    };
    const Case cases[] = {
        {"5", 5, 5},
        {" 1.5 ", 1.5, 1.5},
        {"2 weeks", 2, std::nullopt},
        {"12a", 12, std::nullopt},
        {".5", 0.5, 0.5},
        {"-3", -3, -3},
        {"+4", 4, 4},
        {"1e3", 1000, 1000},
        {"3,5", 3, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"abc", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {".", std::nullopt, std::nullopt},
        {"inf", std::nullopt, std::nullopt},
        {"nan", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(leadingNumber(c.text), c.leading) << c.text;
        EXPECT_EQ(wholeNumberText(c.text), c.whole) << c.text;
    }
    EXPECT_EQ(roundedToEven(2.5), 2);
    EXPECT_EQ(roundedToEven(3.5), 4);
    EXPECT_EQ(roundedToEven(-2.5), -2);
    EXPECT_EQ(roundedToEven(1e300), std::nullopt);
}

SettingsEntries validEntries() {
    SettingsEntries entries;
    entries.Name = "Ann";
    entries.Port = "20210";
    entries.Timeout = "10000";
    entries.MaxDL = "3";
    entries.FileChunk = "10";
    entries.refreshMinutes = "5";
    entries.servers = {"a.home", "b.home:20210"};
    return entries;
}

ConfirmedSettings confirmed(const SettingsEntries& entries) {
    const auto result = confirmEntries(entries);
    if (const auto* refused = std::get_if<RefusedEntry>(&result)) {
        ADD_FAILURE() << "refused: " << refused->message;
        return {};
    }
    return std::get<ConfirmedSettings>(result);
}

TEST(SettingsEntries, NumbersConvertByTheirReadingsHalvesToEven) {
    struct Case {
        std::string SettingsEntries::*field;
        const char* typed;
        int64_t ConfirmedSettings::*stored;
        int64_t expected;
    };
    const Case cases[] = {
        {&SettingsEntries::refreshMinutes, "0.5", &ConfirmedSettings::refreshInterval, 30000},
        {&SettingsEntries::refreshMinutes, "2 weeks", &ConfirmedSettings::refreshInterval, 120000},
        {&SettingsEntries::refreshMinutes, "0", &ConfirmedSettings::refreshInterval, 0},
        {&SettingsEntries::refreshMinutes, "1.5", &ConfirmedSettings::refreshInterval, 90000},
        {&SettingsEntries::MaxDL, "3.5", &ConfirmedSettings::MaxDL, 4},
        {&SettingsEntries::MaxDL, "2.5", &ConfirmedSettings::MaxDL, 2},
        {&SettingsEntries::MaxDL, "7 at once", &ConfirmedSettings::MaxDL, 7},
        {&SettingsEntries::FileChunk, "10.5", &ConfirmedSettings::FileChunk, 10},
        {&SettingsEntries::FileChunk, "65536", &ConfirmedSettings::FileChunk, 65536},
        {&SettingsEntries::Port, " 20211 ", &ConfirmedSettings::Port, 20211},
        {&SettingsEntries::Port, "20210.5", &ConfirmedSettings::Port, 20210},
        {&SettingsEntries::Port, "65534", &ConfirmedSettings::Port, 65534},
        {&SettingsEntries::Timeout, "1", &ConfirmedSettings::Timeout, 1},
        {&SettingsEntries::Timeout, "2147483647", &ConfirmedSettings::Timeout, 2147483647},
    };
    for (const Case& c : cases) {
        SettingsEntries entries = validEntries();
        entries.*c.field = c.typed;
        EXPECT_EQ(confirmed(entries).*c.stored, c.expected) << c.typed;
    }
}

TEST(SettingsEntries, TextsFlagsAndServersPassAsTheyAreWithoutEmptyLines) {
    SettingsEntries entries = validEntries();
    entries.Name = "  Ann & Tom ";
    entries.DownloadPath = "/no/such/folder";
    entries.NewUI = false;
    entries.ShowOther = true;
    entries.HideSystemFiles = false;
    entries.Compression = false;
    entries.ShowDLWindow = true;
    entries.ShowTransWindow = false;
    entries.servers = {"b.home", "", " a.home"};
    const ConfirmedSettings settings = confirmed(entries);
    EXPECT_EQ(settings.Name, "  Ann & Tom ");
    EXPECT_EQ(settings.DownloadPath, "/no/such/folder");
    EXPECT_FALSE(settings.NewUI);
    EXPECT_TRUE(settings.ShowOther);
    EXPECT_FALSE(settings.HideSystemFiles);
    EXPECT_FALSE(settings.Compression);
    EXPECT_TRUE(settings.ShowDLWindow);
    EXPECT_FALSE(settings.ShowTransWindow);
    EXPECT_EQ(settings.servers, (std::vector<std::string>{"b.home", " a.home"}));
}

TEST(SettingsEntries, ABadFieldIsRefusedByNameAndTheFirstInTheDialogsOrderWins) {
    struct Case {
        std::string SettingsEntries::*field;
        const char* typed;
        Field refused;
    };
    const Case cases[] = {
        {&SettingsEntries::Port, "12a", Field::Port},
        {&SettingsEntries::Port, "", Field::Port},
        {&SettingsEntries::Port, "0", Field::Port},
        {&SettingsEntries::Port, "65535", Field::Port},
        {&SettingsEntries::Port, "99999999999999999999", Field::Port},
        {&SettingsEntries::Timeout, "0", Field::Timeout},
        {&SettingsEntries::Timeout, "ten", Field::Timeout},
        {&SettingsEntries::Timeout, "2147483648", Field::Timeout},
        {&SettingsEntries::MaxDL, "", Field::MaxDL},
        {&SettingsEntries::MaxDL, "0", Field::MaxDL},
        {&SettingsEntries::MaxDL, "-1", Field::MaxDL},
        {&SettingsEntries::MaxDL, "abc", Field::MaxDL},
        {&SettingsEntries::FileChunk, "0.4", Field::FileChunk},
        {&SettingsEntries::FileChunk, "65537", Field::FileChunk},
        {&SettingsEntries::refreshMinutes, "abc", Field::RefreshInterval},
        {&SettingsEntries::refreshMinutes, "-1", Field::RefreshInterval},
        {&SettingsEntries::refreshMinutes, "35792", Field::RefreshInterval},
    };
    for (const Case& c : cases) {
        SettingsEntries entries = validEntries();
        entries.*c.field = c.typed;
        const auto result = confirmEntries(entries);
        ASSERT_TRUE(std::holds_alternative<RefusedEntry>(result)) << c.typed;
        EXPECT_EQ(std::get<RefusedEntry>(result).field, c.refused) << c.typed;
    }

    SettingsEntries entries = validEntries();
    entries.Port = "x";
    entries.MaxDL = "0";
    const auto first = confirmEntries(entries);
    ASSERT_TRUE(std::holds_alternative<RefusedEntry>(first));
    EXPECT_EQ(std::get<RefusedEntry>(first).message,
              "Maximum simultaneous downloads must be a number from 1 to 2147483647.");
    entries.MaxDL = "2";
    EXPECT_EQ(std::get<RefusedEntry>(confirmEntries(entries)).message,
              "Listen port must be a whole number from 1 to 65534.");
    entries.Port = "1";
    entries.refreshMinutes = "";
    EXPECT_EQ(std::get<RefusedEntry>(confirmEntries(entries)).message,
              "Refresh interval must be a number of minutes from 0 to 35791.");
}

TEST(SettingsEntries, ServerLinesThatRepeatWithoutRegardToCaseAreRefused) {
    SettingsEntries entries = validEntries();
    entries.servers = {"Home.Server", "other", "home.server"};
    const auto result = confirmEntries(entries);
    ASSERT_TRUE(std::holds_alternative<RefusedEntry>(result));
    EXPECT_EQ(std::get<RefusedEntry>(result).field, Field::Servers);
    EXPECT_EQ(std::get<RefusedEntry>(result).message,
              "The server \"home.server\" is listed more than once.");
    EXPECT_TRUE(listsServer(entries.servers, "OTHER"));
    EXPECT_FALSE(listsServer(entries.servers, "another"));
}

class SettingsFillTest : public test::AppFixture {};

TEST_F(SettingsFillTest, TheFieldsShowTheSettingsAsPlainDecimalsThatReadBack) {
    // Under a locale whose decimal separator is a comma, where one is
    // installed, the fraction still shows with a point.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    state.Name = "Ann";
    state.Timeout = 1500;
    state.Port = 20300;
    state.MaxDL = 5;
    state.FileChunk = 64;
    state.DownloadPath = "/srv/in";
    state.refreshInterval = 90000;
    state.serverList.add("s1", "s1");
    SettingsEntries entries = entriesOf(state);
    std::setlocale(LC_NUMERIC, before.c_str());
    EXPECT_EQ(entries.refreshMinutes, "1.5");
    EXPECT_EQ(entries.Timeout, "1500");
    EXPECT_EQ(entries.Port, "20300");
    EXPECT_EQ(entries.MaxDL, "5");
    EXPECT_EQ(entries.FileChunk, "64");
    EXPECT_EQ(entries.DownloadPath, "/srv/in");
    EXPECT_EQ(entries.servers, std::vector<std::string>{"s1"});
    state.refreshInterval = 300000;
    EXPECT_EQ(entriesOf(state).refreshMinutes, "5");
    state.refreshInterval = 100000;  // 1.666… minutes
    EXPECT_EQ(entriesOf(state).refreshMinutes, "1.7");
    // What is shown reads back as the same setting.
    state.refreshInterval = 90000;
    EXPECT_EQ(confirmed(entriesOf(state)).refreshInterval, 90000);
}

TEST_F(SettingsFillTest, WithoutANodeTheSettingsAreStillStoredAndSaved) {
    SettingsEntries entries = entriesOf(state);
    entries.Name = "Offline";
    entries.Port = "20400";
    entries.servers = {"a"};
    applySettings(state, confirmed(entries));
    EXPECT_EQ(state.Name, "Offline");
    EXPECT_EQ(state.Port, 20400);
    EXPECT_TRUE(state.serverList.exists("a"));
    AppState reloaded(folder.path(), CommandLine());
    loadSettings(reloaded);
    EXPECT_EQ(reloaded.Name, "Offline");
    EXPECT_EQ(reloaded.Port, 20400);
    // Each step on the node is logged, and the next one runs.
    const std::string line =
        "[cmdOK_Click] Error 91: Object variable or With block variable not set\r\n";
    EXPECT_EQ(logText(), line + line + line +
                             "[connectTo] Error 91: Object variable or With block "
                             "variable not set\r\n");
}

}  // namespace
}  // namespace tornel
