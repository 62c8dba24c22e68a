// mvjava record, watch and replay against the sample login window, with a person's input made by
// java.awt.Robot on the test bed's display: one sign-in recorded as a definition of locators, the
// journal read back, the definition replayed in a new run whose windows opened in another order.
// No output holds the password.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "awt_test.h"
#include "child_process.h"
#include "java_statics.h"
#include "json_reader.h"
#include "sign_on_definition.h"
#include "text_lines.h"
#include "utf8.h"
#include "wine_path.h"

namespace mv::test {
namespace {

using mvjava::ToUtf8;

constexpr wchar_t kUser[] = L"alice7";
constexpr wchar_t kPassword[] = L"s3cretpw";
constexpr wchar_t kLogin[] = L"window name=\"loginFrame\"";

struct Finished {
    DWORD exit;
    std::string output;
};

Finished Mvjava(const std::vector<std::wstring>& args) {
    ChildProcess mvjava(WindowsPathOfUnixPath(MV_MVJAVA_PATH), args);
    const DWORD exit = mvjava.Finish(180000);
    return {exit, mvjava.output()};
}

std::string Stored(const std::wstring& file) {
    std::string bytes(1 << 16, '\0');
    FILE* read = _wfopen(file.c_str(), L"rb");
    bytes.resize(read ? std::fread(bytes.data(), 1, bytes.size(), read) : 0);
    if (read) std::fclose(read);
    return bytes;
}

void Store(const std::wstring& file, const std::string& bytes) {
    if (FILE* write = _wfopen(file.c_str(), L"wb")) std::fwrite(bytes.data(), 1, bytes.size(), write), std::fclose(write);
}

class SignOn : public AwtTest {
protected:
    void SetUp() override {
        AwtTest::SetUp();
        wchar_t folder[MAX_PATH], file[MAX_PATH];
        ::GetTempPathW(MAX_PATH, folder);
        ::GetTempFileNameW(folder, L"def", 0, file);
        m_file = file;
    }
    void TearDown() override { ::DeleteFileW(m_file.c_str()); }
    std::wstring Pid() { return std::to_wstring(host().pid()); }
    std::wstring m_file;
};

TEST_F(SignOn, ASignInRecordedOnceIsWatchedAndReplayedInAnotherWindowOrder) {
    // Record, while the robot signs in as a person would.
    ChildProcess record(WindowsPathOfUnixPath(MV_MVJAVA_PATH), {L"record", Pid(), L"--out", m_file, L"--seconds", L"120"});
    ASSERT_TRUE(record.ReadUntil("recording:", 60000)) << record.output();
    JavaStatics hand(jvm(), L"samples.RobotHand"), app(jvm(), L"samples.LoginApp");
    EXPECT_EQ(hand.CallString(L"signIn", {kUser, kPassword}), std::wstring(L"done"));
    ASSERT_EQ(record.Finish(60000), 0u) << record.output();
    EXPECT_EQ(app.CallString(L"lastSignIn"), std::wstring(kUser) + L"|" + kPassword);

    std::string error;
    const std::string recorded = Stored(m_file);
    const auto definition = mvjava::ParseSignOn(recorded, error);
    ASSERT_TRUE(definition) << error << "\n" << recorded;
    const std::wstring field = std::wstring(kLogin) + L" >> name=";
    EXPECT_EQ(definition->window, kLogin);
    ASSERT_EQ(definition->fields.size(), 2u) << recorded;
    EXPECT_EQ(definition->fields[0].locator + L" " + definition->fields[0].role, field + L"\"user\" user");
    EXPECT_EQ(definition->fields[1].locator + L" " + definition->fields[1].role, field + L"\"password\" password");
    EXPECT_EQ(definition->submit, field + L"\"signIn\"");

    // The journal keeps what happened after listening stopped: watch reads it from the start.
    const Finished watch = Mvjava({L"watch", Pid(), L"--json", L"--seconds", L"2"});
    EXPECT_EQ(watch.exit, 0u) << watch.output;
    std::vector<std::wstring> seen;  // "event locator [length] [password]" of the login window's fields
    for (const std::string& line : SplitLines(watch.output)) {
        const mvjava::JsonParseResult e = mvjava::ParseJson(line);
        if (!e.value || !e.value->find(L"locator") || !e.value->find(L"locator")->is(mvjava::JsonValue::Type::kString))
            continue;
        const std::wstring locator = e.value->find(L"locator")->string();
        if (locator.rfind(field, 0) != 0) continue;
        std::wstring text = e.value->find(L"event")->string() + L" " + locator.substr(field.size());
        if (const mvjava::JsonValue* length = e.value->find(L"length"))
            text += L" " + std::to_wstring(length->integer().value_or(-1)) +
                    (e.value->find(L"password")->boolean() ? L" password" : L"");
        if (seen.empty() || seen.back() != text) seen.push_back(text);
    }
    // The user field may have had the focus since the window opened; the password field gains it.
    for (const wchar_t* expected : {L"text \"user\" 6", L"focus \"password\"",
                                    L"text \"password\" 8 password", L"click \"signIn\""})
        EXPECT_NE(std::find(seen.begin(), seen.end(), expected), seen.end()) << ToUtf8(expected) << "\n" << watch.output;
    const Finished text = Mvjava({L"watch", Pid(), L"--seconds", L"1"});  // one line an event
    EXPECT_NE(text.output.find(" text 8 characters (password field)  " + ToUtf8(field) + "\"password\"  ("),
              std::string::npos) << text.output;
    LONGLONG listened = -1;
    UINT64 hook = 0;
    ASSERT_EQ(jvm()->GetMorvaneAWTHook(&hook), S_OK);
    EXPECT_EQ(jvm()->CallLongMethod(hook, Bstr(L"getListenedMask").get(), Bstr(L"()J").get(), unique_variant().get(),
                                    &listened), S_OK);
    jvm()->DeleteJavaObject(hook);
    EXPECT_EQ(listened, 0) << "listening was not switched off";

    // Replay in a new run of the application whose windows opened the other way round.
    std::string problem;
    const std::unique_ptr<HostProcess> other = StartSampleAppsHost(300, problem, {"awt-first"});
    ASSERT_TRUE(other) << problem;
    const com_ptr<IMvJavaCpp> otherJvm = PublishedJvmOf(other->pid());
    const std::vector<Component> windows = TopLevelWindows(otherJvm.get());
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(NameOf(windows[1].get()), L"loginFrame") << "the login window opened first";
    ::SetEnvironmentVariableW(L"MVJAVA_PASSWORD", kPassword);
    const Finished replay = Mvjava({L"replay", std::to_wstring(other->pid()), m_file, L"--user", kUser});
    EXPECT_EQ(replay.exit, 0u) << replay.output;
    EXPECT_EQ(JavaStatics(otherJvm.get(), L"samples.LoginApp").CallString(L"lastSignIn"),
              std::wstring(kUser) + L"|" + kPassword);

    // A step that fails says which, by its exit code and one line.
    mvjava::SignOnDefinition missing = *definition;
    missing.window = L"window name=\"noSuchWindow\"";
    Store(m_file, mvjava::SignOnJson(missing));
    const Finished failed = Mvjava({L"replay", std::to_wstring(other->pid()), m_file, L"--user", kUser, L"--seconds", L"1"});
    ::SetEnvironmentVariableW(L"MVJAVA_PASSWORD", nullptr);
    EXPECT_EQ(failed.exit, 3u);
    EXPECT_NE(failed.output.find("mvjava: replay step 1 failed: the window window name=\"noSuchWindow\""),
              std::string::npos) << failed.output;

    for (const std::string* output :
         {&record.output(), &watch.output, &text.output, &replay.output, &failed.output, &recorded})
        EXPECT_EQ(output->find(ToUtf8(kPassword)), std::string::npos) << *output;
    std::printf("sign-on: recorded %s\nsign-on: watch saw", recorded.c_str());
    for (const std::wstring& event : seen) std::printf(" [%s]", ToUtf8(event).c_str());
    std::printf("\nsign-on: record printed %ssign-on: replay printed %ssign-on: failed replay printed %s",
                record.output().c_str(), replay.output.c_str(), failed.output.c_str());
    for (const std::string& line : SplitLines(text.output))
        if (line.find(ToUtf8(field)) != std::string::npos) std::printf("sign-on: watch printed %s\n", line.c_str());
    other->Stop();
}

}  // namespace
}  // namespace mv::test
