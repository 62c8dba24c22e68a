// The diagnostics log as processes see it: its registry settings, both file forms and their reader,
// rotation and purging, the mutex of every writer, writers in several processes, paths gone wrong.

#include <aclapi.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <cwctype>
#include <future>
#include <map>
#include <thread>

#include "common/com/com_ptr.h"
#include "jvm/mv_java_cpp.h"
#include "log/log.h"
#include "log/log_file_reader.h"
#include "log/log_mutex.h"
#include "log/log_settings.h"
#include "log_test_support.h"

namespace {

using namespace logtest;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::wstring>;

void Log(const std::wstring& message) { mv::LogLine(L"A", L"b", message.c_str()); }  // "[A::b]<TAB>message"

Lines Logged(Lines messages) {  // what MessagesIn gives for lines of Log
    for (std::wstring& message : messages) message = L"[A::b]\t" + message;
    return messages;
}

mv::unique_handle Event(const std::wstring& name) {  // made by the first that asks, manual reset
    return mv::unique_handle(::CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
}

std::wstring Self() {  // this program's path
    wchar_t path[MAX_PATH];
    return std::wstring(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
}

// Starts a copy of this program (`exe`) in the child mode `filter`, told `setting` in MV_LOG_WRITER. Wine's
// CreateProcess takes no image path of MAX_PATH characters or more (ERROR_FILE_NOT_FOUND): such a copy is
// started by Wine, run as a Unix process, and no handle of it is given (null). A 64-bit copy goes to the
// 64-bit loader: with 32-bit Wine installed, `wine` hands it to start.exe, which cannot open it either.
mv::unique_handle StartCopy(const wchar_t* filter, const std::wstring& setting, const std::wstring& exe = Self()) {
    const wchar_t* loader = sizeof(void*) == 8 ? L"Z:\\usr\\bin\\env /usr/lib/wine/wine64 \"" : L"Z:\\usr\\bin\\env wine \"";
    std::wstring command = (exe.size() < MAX_PATH ? L"\"" : loader) + exe +
                           L"\" --gtest_brief=1 --gtest_also_run_disabled_tests --gtest_filter=" + filter;
    ::SetEnvironmentVariableW(L"MV_LOG_WRITER", setting.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    EXPECT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, 0, 0, nullptr, nullptr, &startup, &info));
    ::CloseHandle(info.hThread);
    return mv::unique_handle(info.hProcess);
}

constexpr ULONGLONG kMs = 10000;  // in 100-ns units
ULONGLONG Now() {
    SYSTEMTIME time;
    FILETIME fileTime;
    ::GetLocalTime(&time);
    ::SystemTimeToFileTime(&time, &fileTime);
    return ULONGLONG{fileTime.dwHighDateTime} << 32 | fileTime.dwLowDateTime;
}

// "yyyyMMddHHmmssfff" of a local file time, as rotated file names carry it.
std::wstring Stamp(ULONGLONG localTime) {
    const FILETIME fileTime{DWORD(localTime), DWORD(localTime >> 32)};
    SYSTEMTIME t{};
    ::FileTimeToSystemTime(&fileTime, &t);
    wchar_t stamp[32];
    std::swprintf(stamp, 32, L"%04u%02u%02u%02u%02u%02u%03u", unsigned{t.wYear}, unsigned{t.wMonth}, unsigned{t.wDay},
                  unsigned{t.wHour}, unsigned{t.wMinute}, unsigned{t.wSecond}, unsigned{t.wMilliseconds});
    return stamp;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::wstring Level() { return std::to_wstring(mv::GetLogLevel()); }
std::wstring Obfuscation() { return std::to_wstring(mv::IsLogObfuscationEnabled()); }
std::wstring SizeLimit() { return std::to_wstring(mv::GetLogFileSizeLimit()); }
std::wstring Count() { return std::to_wstring(mv::GetLogFileCount()); }
const auto Path = mv::GetLogDirectory;

TEST_F(LogTest, EachSettingHasItsTypeDefaultAndBounds) {
    const wchar_t *const D = kDeploymentKey, *const T = kTempKey;
    const struct { const char* name; std::vector<Value> values; std::wstring (*read)(); std::wstring expected; }
        rows[] = {
        {"LevelDefault", {}, Level, L"0"},  // the rows without values come first: they run without the keys
        {"ObfuscationDefault", {}, Obfuscation, L"0"},
        {"SizeDefaultIsOneMebibyte", {}, SizeLimit, L"1048576"},
        {"CountDefault", {}, Count, L"1"},
        {"PathDefaultLosesItsBackslash", {}, Path, L"c:"},
        {"Level", {Dword(D, L"LogLevel", 3)}, Level, L"3"},
        {"LevelAsString", {Text(D, L"LogLevel", L"5")}, Level, L"0"},
        {"LevelAsQword", {{D, L"LogLevel", REG_QWORD, {9, 0, 0, 0, 0, 0, 0, 0}}}, Level, L"0"},
        {"LevelUnderTheTempKey", {Dword(T, L"LogLevel", 4)}, Level, L"0"},
        {"TempLevelWins", {Dword(D, L"LogLevel", 5), Dword(T, L"ObsLogLevel_Temp", 2)}, Level, L"2"},
        {"TempLevelZeroWins", {Dword(D, L"LogLevel", 5), Dword(T, L"ObsLogLevel_Temp", 0)}, Level, L"0"},
        {"TempLevelAsString", {Dword(D, L"LogLevel", 4), Text(T, L"ObsLogLevel_Temp", L"0")}, Level, L"4"},
        {"Obfuscation", {Dword(T, L"LogObfuscationEnabled", 1)}, Obfuscation, L"1"},
        {"ObfuscationUnderTheDeploymentKey", {Dword(D, L"LogObfuscationEnabled", 1)}, Obfuscation, L"0"},
        {"ObfuscationAsBinary", {{T, L"LogObfuscationEnabled", REG_BINARY, {1, 0, 0, 0}}}, Obfuscation, L"0"},
        {"SizeIsInKibibytes", {Dword(D, L"LogFileSize", 5)}, SizeLimit, L"5120"},
        {"SizeWrapsToZero", {Dword(D, L"LogFileSize", 4194304)}, SizeLimit, L"0"},
        {"SizeLargestWraps", {Dword(D, L"LogFileSize", 0xFFFFFFFF)}, SizeLimit, L"4294966272"},
        {"SizeAsBinary", {{D, L"LogFileSize", REG_BINARY, {9, 0, 0, 0}}}, SizeLimit, L"1048576"},
        {"Count", {Dword(D, L"LogFileCount", 7)}, Count, L"7"},
        {"CountLargest", {Dword(D, L"LogFileCount", 0xFFFFFFFF)}, Count, L"4294967295"},
        {"CountAsString", {Text(D, L"LogFileCount", L"9")}, Count, L"1"},
        {"Path", {Text(D, L"LogPath", L"d:\\logs")}, Path, L"d:\\logs"},
        {"PathLosesTrailingSeparators", {Text(D, L"LogPath", L"d:\\logs\\/\\\\")}, Path, L"d:\\logs"},
        {"PathOfOneBackslashIsEmpty", {Text(D, L"LogPath", L"\\")}, Path, L""},
        {"PathExpandableIsNotExpanded", {Text(D, L"LogPath", L"%TEMP%\\x", REG_EXPAND_SZ)}, Path, L"%TEMP%\\x"},
        {"PathMultiStringGivesItsFirst", {Text(D, L"LogPath", {L"e:\\a\0f:\\b\0", 10}, REG_MULTI_SZ)}, Path, L"e:\\a"},
        {"PathBinaryEndsWithItsData", {{D, L"LogPath", REG_BINARY, Utf16Bytes(L"g:\\bin")}}, Path, L"g:\\bin"},
        {"PathAsDword", {Dword(D, L"LogPath", 42)}, Path, L"c:"},
    };
    for (const wchar_t* key : {D, T}) {  // the fixture removed every log value; the emptied keys go too
        const LONG deleted = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
        ASSERT_TRUE(deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) << "values of others in the key";
    }
    for (const bool keysPresent : {false, true}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (keysPresent ? ", keys present" : ""));
            if (keysPresent && !row.values.empty()) continue;
            for (const Value& value : row.values) Set(value);
            EXPECT_EQ(row.read(), row.expected);
            for (const Value& value : row.values) RemoveValue(value.key, value.name);
        }
    }
}

TEST_F(LogTest, NoFileIsMadeBelowTheConfiguredLevel) {
    Set(Text(kDeploymentKey, L"LogPath", Dir()));
    Log(L"no level");
    Set(Dword(kDeploymentKey, L"LogLevel", 5));
    Set(Dword(kTempKey, L"ObsLogLevel_Temp", 0));
    Log(L"temporary level 0");
    EXPECT_TRUE(ListFiles(Dir()).empty());
    RemoveValue(kTempKey, L"ObsLogLevel_Temp");
    Log(L"level 5");
    EXPECT_EQ(MessagesIn(PlainFile()), Logged({L"level 5"})) << "the settings are read for every line";
}

TEST_F(LogTest, PlainLinesHaveTheirHeaderMessageAndOwnLineEndAfterOneMark) {
    EnableLogInDirectory();
    const std::wstring before = Stamp(Now());
    mv::LogLine(L"CJavaVM", L"c'tor", L"Could not attach to JVM");
    const std::wstring after = Stamp(Now());
    for (const wchar_t* message : {L"ends in CR LF\r\n", L"inner\nLF"}) mv::LogLine(L"A", L"b", message);
    mv::LogLine(nullptr, L"", nullptr);
    const Bytes bytes = ReadBytes(PlainFile());
    std::wstring text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) text += wchar_t(bytes[i] | bytes[i + 1] << 8);
    ASSERT_EQ(text.rfind(L'\xFEFF'), 0u) << "one byte-order mark FF FE, at the start";
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
    const Lines lines = mv::SplitLogLines(text.substr(1));
    ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(text);
    const ParsedLine first = ParseLine(lines[0]).value_or(ParsedLine{});
    EXPECT_EQ(first.level, 1u);
    EXPECT_EQ(first.processId, ::GetCurrentProcessId());
    EXPECT_EQ(first.threadId, ::GetCurrentThreadId());
    EXPECT_EQ(first.imageName, L"log_test.exe");
    EXPECT_EQ(first.message, L"[CJavaVM::c'tor]\tCould not attach to JVM");
    std::wstring stamp = first.stamp;
    stamp.erase(std::remove_if(stamp.begin(), stamp.end(), [](wchar_t c) { return !std::iswdigit(c); }), stamp.end());
    EXPECT_TRUE(before <= stamp && stamp <= after) << "local time, to the millisecond: " << first.stamp.size();
    mv::unique_handle token;
    DWORD session = 0, size = 0;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()) &&
                ::GetTokenInformation(token.get(), TokenSessionId, &session, sizeof session, &size));
    EXPECT_EQ(first.sessionId, session ? std::optional<unsigned long>(session) : std::nullopt) << "no S: in session 0";
    EXPECT_EQ(ParseLine(lines[1]).value_or(ParsedLine{}).message, L"[A::b]\tends in CR LF");
    EXPECT_EQ(lines[2], L"") << "a message's own CR LF is followed by the line's";
    EXPECT_EQ(lines[3].substr(lines[3].find(L'[')), L"[A::b]\tinner\nLF") << "an inner LF is left alone";
    EXPECT_EQ(ParseLine(lines[4]).value_or(ParsedLine{}).message, L"[::]\t") << "null pieces write nothing";
    EXPECT_EQ(mv::SplitLogLines(L"a\r\nb"), (Lines{L"a", L"b"})) << "a last line without CR LF";
    WriteBytes(PlainFile(), {});  // the mark starts an existing empty file too, never one with other text
    EXPECT_EQ(mv::ReadLogFile(PlainFile()).status, mv::LogFileStatus::kOk) << "an empty file is an empty log";
    Log(L"into an empty file");
    EXPECT_EQ(MessagesIn(PlainFile()), Logged({L"into an empty file"}));
    WriteBytes(PlainFile(), Utf16Bytes(L"old\r\n"));
    Log(L"into a file without a mark");
    const Bytes old = ReadBytes(PlainFile()), start = Utf16Bytes(L"old\r\nL:");
    EXPECT_TRUE(old.size() > start.size() && std::equal(start.begin(), start.end(), old.begin()));
}

TEST_F(LogTest, ObfuscatedRecordsHoldTheLinesScrambled) {
    EnableLogInDirectory(/*obfuscated=*/true);
    const std::wstring longer(3000, L'z');
    for (const std::wstring& message : Lines{L"short", longer, L"ends in CR LF\r\n"}) Log(message);
    EXPECT_FALSE(FileExists(PlainFile()));
    Bytes bytes = ReadBytes(ObfuscatedFile());
    const Lines records = DecodeObfuscatedForTest(bytes);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(ParseLine(records[0]).value_or(ParsedLine{}).message, L"[A::b]\tshort");
    EXPECT_EQ(ParseLine(records[1]).value_or(ParsedLine{}).message, L"[A::b]\t" + longer);
    EXPECT_EQ(records[2].substr(records[2].find(L'[')), L"[A::b]\tends in CR LF\r\n") << "no line end is added";
    const mv::DecodedLogFile decoded = mv::ReadLogFile(ObfuscatedFile());
    EXPECT_TRUE(decoded.status == mv::LogFileStatus::kOk && decoded.form == mv::LogFileForm::kObfuscated);
    EXPECT_EQ(decoded.text, records[0] + L"\r\n" + records[1] + L"\r\n" + records[2] + L"\r\n");
    // The reader stops at a record cut in its length, after it or in its text, or of an odd length.
    bytes.resize(6 + 4 + 2 * records[0].size());
    for (const Bytes& tail : {Bytes{20, 0, 0}, Bytes{20, 0, 0, 0}, Bytes{20, 0, 0, 0, 1}, Bytes{3, 0, 0, 0, 1, 2, 3}}) {
        Bytes damaged = bytes;
        damaged.insert(damaged.end(), tail.begin(), tail.end());
        const mv::DecodedLogFile stopped = mv::DecodeLogFile(damaged.data(), damaged.size());
        EXPECT_EQ(stopped.status, mv::LogFileStatus::kDamaged) << tail.size();
        EXPECT_EQ(stopped.text, records[0] + L"\r\n") << tail.size();
    }
    Set(Dword(kTempKey, L"LogObfuscationEnabled", 2));  // only exactly 1 selects the obfuscated form
    Log(L"plain again");
    EXPECT_EQ(MessagesIn(PlainFile()), Logged({L"plain again"}));
}

// Every process, of any user, opens the one mutex that serialises the log (its access list is
// null); an owner that died holding it does not stop the next line, which releases it again.
TEST_F(LogTest, TheMutexIsOpenToEveryoneAndOutlivesAnAbandonedOwner) {
    EnableLogInDirectory();
    const mv::unique_handle mutex(::OpenMutexW(SYNCHRONIZE | READ_CONTROL, FALSE, L"MV_LOG_MUTEX"));
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetSecurityInfo(mutex.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                nullptr, &descriptor), ERROR_SUCCESS) << "the module made the mutex when it loaded";
    const mv::unique_hlocal owned(descriptor);
    BOOL present = FALSE, defaulted = TRUE;
    EXPECT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) && present && dacl == nullptr);
    const auto takeMutex = [](bool release) {
        const mv::unique_handle handle(::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, L"MV_LOG_MUTEX"));
        const DWORD waited = ::WaitForSingleObject(handle.get(), 30000);
        if (release && waited != WAIT_TIMEOUT) ::ReleaseMutex(handle.get());
        return waited;
    };
    std::thread([&] { takeMutex(false); }).join();  // the thread ends owning the mutex: it is abandoned
    Log(L"after an abandoned mutex");
    EXPECT_EQ(MessagesIn(PlainFile()), Logged({L"after an abandoned mutex"}));
    DWORD waited = WAIT_FAILED;
    std::thread([&] { waited = takeMutex(true); }).join();
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "the log released what it took over";
}

// Child mode: takes the log mutex, writes a line, sets the event "<MV_LOG_WRITER> taken" and keeps the
// mutex until the event "<MV_LOG_WRITER> let go" is set.
TEST(LogWriterProcess, DISABLED_HoldsTheMutexUntilLetGo) {
    wchar_t name[64];
    ASSERT_TRUE(::GetEnvironmentVariableW(L"MV_LOG_WRITER", name, 64));
    const mv::unique_handle mutex(::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, L"MV_LOG_MUTEX"));
    ASSERT_EQ(::WaitForSingleObject(mutex.get(), 60000), WAIT_OBJECT_0);
    Log(L"holding the mutex");
    ::SetEvent(Event(name + std::wstring(L" taken")).get());
    ::WaitForSingleObject(Event(name + std::wstring(L" let go")).get(), 300000);
    ::ReleaseMutex(mutex.get());
}

jint JNICALL DetachedEnv(JavaVM*, void**, jint) { return JNI_EDETACHED; }
jint JNICALL RefusedAttach(JavaVM*, void**, void*) { return JNI_ERR; }

// A writer that hangs holding the mutex (a stopped process, a log folder on a stalled share) costs the
// lines written meanwhile, never their callers: the members that log return, the two lines together within
// one time-out (each waiting its own would take two); once it lets go, lines land.
// That writer runs from a folder past MAX_PATH: the braces of its line hold the executable's file name.
TEST_F(LogTest, AWriterHangingOnTheMutexCostsLinesNotCalls) {
    EnableLogInDirectory();
    const std::wstring folder = PathIn(std::wstring(250, L'd')), exe = folder + L"\\log_test.exe";
    const std::wstring name = L"MvLogHolder_" + std::to_wstring(::GetCurrentProcessId());
    const mv::unique_handle taken = Event(name + L" taken"), letGo = Event(name + L" let go");
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr) && ::CopyFileW(Self().c_str(), exe.c_str(), TRUE));
    StartCopy(L"*HoldsTheMutex*", name, exe);
    ASSERT_EQ(::WaitForSingleObject(taken.get(), 60000), WAIT_OBJECT_0);
    JNIInvokeInterface_ functions{};  // a JVM that attaches no thread
    functions.GetEnv = &DetachedEnv;
    functions.AttachCurrentThread = &RefusedAttach;
    JavaVM vm{&functions};
    mv::com_ptr<IMvJavaCpp> main;
    ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, main.put_void()), S_OK);
    ASSERT_EQ(main->JavaSaveRunningJVM(LONG(::GetCurrentProcessId()), reinterpret_cast<UINT64>(&vm)), S_OK);
    const auto callBoth = [&] {  // each member logs a line; the milliseconds both took
        const ULONGLONG start = ::GetTickCount64();
        const auto calls = std::async(std::launch::async, [&] {
            GetHWNDResultInfo info{};
            IDispatch* component = nullptr;
            LONG version = 0;
            EXPECT_EQ(main->GetComponentFromHwnd(0, &info, &component), E_INVALIDARG);
            EXPECT_EQ(main->GetJVMVersion(&version), E_FAIL);
        });
        if (calls.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            ADD_FAILURE() << "a member hangs on the log mutex";
            ::SetEvent(letGo.get());  // so that it ends
        }
        return ::GetTickCount64() - start;
    };
    EXPECT_LT(callBoth(), 2 * mv::kLogMutexTimeoutMs);
    const Lines lines = mv::SplitLogLines(mv::ReadLogFile(PlainFile()).text);
    const ParsedLine held = lines.size() == 1 ? ParseLine(lines[0]).value_or(ParsedLine{}) : ParsedLine{};
    EXPECT_EQ(held.message, L"[A::b]\tholding the mutex") << "the members' lines are lost";
    EXPECT_EQ(held.imageName, L"log_test.exe");
    const mv::unique_handle holder(::OpenProcess(SYNCHRONIZE, FALSE, held.processId));
    ::SetEvent(letGo.get());
    EXPECT_TRUE(holder && ::WaitForSingleObject(holder.get(), 60000) == WAIT_OBJECT_0);
    callBoth();
    EXPECT_EQ(MessagesIn(PlainFile(), 0, {::GetCurrentProcessId(), held.processId}), (Lines{L"[A::b]\tholding the mutex", L"[CMvJavaCpp::GetComponentFromHwnd]\t"
                                              L"Invalid argument(s)", L"[CJavaVM::c'tor]\tCould not attach to JVM"}));
    EXPECT_TRUE(::DeleteFileW(exe.c_str()) && ::RemoveDirectoryW(folder.c_str()));
}

class LogFiles : public LogTest {
protected:
    void Limits(DWORD sizeKiB, DWORD count) {
        Set(Dword(kDeploymentKey, L"LogFileSize", sizeKiB));
        Set(Dword(kDeploymentKey, L"LogFileCount", count));
    }
    Lines Rotated(const std::wstring& extension = L"log") const {
        return ListFiles(Dir(), (L"wk_observer_*." + extension).c_str());
    }
    void Preset(const std::wstring& name, ULONGLONG days) const {  // made (and written) days after 2020 began
        WriteBytes(PathIn(name), {0xFF, 0xFE});
        const ULONGLONG time = 132223104000000000ULL + days * 86400000 * kMs;
        const FILETIME fileTime{DWORD(time), DWORD(time >> 32)};
        const mv::unique_hfile file(
            ::CreateFileW(PathIn(name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(file && ::SetFileTime(file.get(), &fileTime, nullptr, &fileTime));
    }
};

TEST_F(LogFiles, AFileOverTheSizeLimitIsRotatedBeforeTheNextLine) {
    EnableLogInDirectory();
    Limits(1, 10);
    Bytes old(1024, 'a');
    old[0] = 0xFF, old[1] = 0xFE;
    WriteBytes(PlainFile(), old);
    Log(L"into a file at the limit");
    EXPECT_TRUE(Rotated().empty());
    EXPECT_NE(mv::ReadLogFile(PlainFile()).text.find(L"\t[A::b]\tinto a file at the limit\r\n"), std::wstring::npos);
    old.push_back('a');
    WriteBytes(PlainFile(), old);
    const std::wstring from = Stamp(Now());
    Log(L"first of the new file");
    const std::wstring to = Stamp(Now());
    const Lines rotated = Rotated();
    ASSERT_EQ(rotated.size(), 1u);
    const std::wstring stamp = rotated[0].substr(12, 17);
    EXPECT_TRUE(rotated[0] == L"wk_observer_" + stamp + L".log" && from <= stamp && stamp <= to) << rotated[0];
    EXPECT_EQ(ReadBytes(PathIn(rotated[0])), old);
    EXPECT_EQ(MessagesIn(PlainFile()), Logged({L"first of the new file"}));
}

// With a size limit of 0 every line but the first (into no file yet) rotates, back to back. A
// rotation whose stamp is taken (here every one of the next two seconds) takes the first free later
// millisecond: no file is replaced, no line lost or repeated, and the stamps keep the lines' order.
TEST_F(LogFiles, BackToBackRotationsReplaceNoFileAndLoseNoLine) {
    EnableLogInDirectory();
    Limits(0, 100000);
    const Bytes marker = {0xFF, 0xFE, 'x', 0};
    Lines expected = Logged({L"line 0"}), found;
    Log(L"line 0");
    for (ULONGLONG t = Now(), end = t + 2000 * kMs; t < end; t += kMs)
        WriteBytes(PathIn(L"wk_observer_" + Stamp(t) + L".log"), marker);
    for (int i = 1; i < 20; ++i) {
        Log(L"line " + std::to_wstring(i));
        expected.push_back(L"[A::b]\tline " + std::to_wstring(i));
    }
    Lines files = Rotated();
    EXPECT_EQ(files.size(), 2019u);
    files.push_back(L"wk_observer.log");
    for (const std::wstring& name : files) {
        if (ReadBytes(PathIn(name)) == marker) continue;
        const Lines in = MessagesIn(PathIn(name));
        EXPECT_EQ(in.size(), 1u) << ::testing::PrintToString(name);
        found.insert(found.end(), in.begin(), in.end());
    }
    EXPECT_EQ(found, expected);
}

// Purging keeps the newest rotated files by creation time (not by name), of the current form only (here the
// obfuscated one); a count of 0 deletes every one, the one just made included.
TEST_F(LogFiles, PurgingKeepsTheNewestRotatedFilesOfTheCurrentForm) {
    EnableLogInDirectory(/*obfuscated=*/true);
    Limits(0, 2);
    for (int i = 1; i <= 4; ++i) {  // the name stamps run against the creation times
        Preset(L"wk_observer_2020010100000000" + std::to_wstring(i) + L".mvl", 5 - i);
        Preset(L"wk_observer_2020010100000000" + std::to_wstring(i) + L".log", i);
    }
    Preset(L"unrelated.mvl", 0);
    Preset(L"wk_observer.log", 0);
    Log(L"one");
    Log(L"two");  // rotates "one", then purges
    const Lines kept = Rotated(L"mvl");
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], L"wk_observer_20200101000000001.mvl") << "the newest preset file";
    EXPECT_EQ(MessagesIn(PathIn(kept[1])), Logged({L"one"}));
    EXPECT_TRUE(FileExists(PathIn(L"unrelated.mvl")) && FileExists(PathIn(L"wk_observer.log")));
    Set(Dword(kDeploymentKey, L"LogFileCount", 0));
    Log(L"three");
    EXPECT_TRUE(Rotated(L"mvl").empty());
    EXPECT_EQ(Rotated(L"log").size(), 4u);
    EXPECT_EQ(MessagesIn(ObfuscatedFile()), Logged({L"three"}));
}

constexpr int kWriters = 4, kThreads = 4, kLinesPerThread = 250;

// Child mode of this program, run by the test below with MV_LOG_WRITER="<index> <start event>".
TEST(LogWriterProcess, DISABLED_WritesNumberedLinesFromSeveralThreads) {
    wchar_t setting[80], index[8], event[64];
    ASSERT_TRUE(::GetEnvironmentVariableW(L"MV_LOG_WRITER", setting, 80) &&
                std::swscanf(setting, L"%7ls %63ls", index, event) == 2);
    ASSERT_EQ(::WaitForSingleObject(mv::unique_handle(::OpenEventW(SYNCHRONIZE, FALSE, event)).get(), 60000), 0u);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&index, t] {
            for (int n = 0; n < kLinesPerThread; ++n)
                Log(L"p=" + std::wstring(index) + L"/" + std::to_wstring(t) + L" n=" + std::to_wstring(n) +
                    L" " + std::wstring(40, L'.'));
        });
    for (std::thread& thread : threads) thread.join();
}

TEST_F(LogFiles, WritersInSeveralProcessesLoseNoLine) {
    EnableLogInDirectory(/*obfuscated=*/true);
    Limits(8, 100000);  // about 35 lines per file
    const std::wstring event = L"MvLogWriters_" + std::to_wstring(::GetCurrentProcessId());
    const mv::unique_handle start(::CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    struct Writers : std::vector<mv::unique_handle> {  // ended with the test
        ~Writers() { for (const mv::unique_handle& writer : *this) ::TerminateProcess(writer.get(), 1); }
    } writers;
    for (int p = 0; p < kWriters; ++p)
        writers.push_back(StartCopy(L"*WritesNumberedLines*", std::to_wstring(p) + L" " + event));
    ::SetEvent(start.get());
    for (const mv::unique_handle& writer : writers) {
        DWORD code = 1;
        ASSERT_EQ(::WaitForSingleObject(writer.get(), 120000), WAIT_OBJECT_0);
        EXPECT_TRUE(::GetExitCodeProcess(writer.get(), &code) && code == 0);
    }
    Lines files = Rotated(L"mvl");
    EXPECT_GE(files.size(), 24u) << "the size limit forces dozens of rotations";
    files.push_back(L"wk_observer.mvl");  // after the rotated ones, in stamp order
    static const std::wregex numbered(L"\\[A::b\\]\\tp=(\\d/\\d) n=(\\d+) \\.{40}");
    std::map<std::wstring, std::vector<int>> numbers, expected;  // by "<writer>/<thread>"
    for (const std::wstring& name : files)
        for (const std::wstring& message : MessagesIn(PathIn(name), 0, {})) {  // lines of others would be skipped
            std::wsmatch m;
            if (std::regex_match(message, m, numbered)) numbers[m[1].str()].push_back(std::stoi(m[2].str()));
        }
    for (int i = 0; i < kWriters * kThreads * kLinesPerThread; ++i)
        expected[std::to_wstring(i / kLinesPerThread / kThreads) + L"/" +
                 std::to_wstring(i / kLinesPerThread % kThreads)].push_back(i % kLinesPerThread);
    EXPECT_EQ(numbers, expected) << "every line once, in its thread's order";
}

// The log never creates directories: lines into a missing one, a path that is a file or one too long
// are lost and nothing is made; later lines into a directory that is there (with trailing backslashes) are
// written. An empty path, or a single backslash, is the root of the current drive (here Z:, not c:).
TEST_F(LogFiles, LinesGoOnlyIntoDirectoriesThatAreThere) {
    EnableLogInDirectory();
    WriteBytes(PathIn(L"file"), {'f'});
    for (const std::wstring& path : {PathIn(L"missing"), PathIn(L"file"), PathIn(std::wstring(40000, L'c'))}) {
        Set(Text(kDeploymentKey, L"LogPath", path));
        Log(L"lost");
        EXPECT_EQ(ListFiles(Dir()), Lines{L"file"}) << path.substr(0, 80);
    }
    EXPECT_EQ(ReadBytes(PathIn(L"file")), Bytes{'f'});
    Set(Text(kDeploymentKey, L"LogPath", Dir() + L"\\\\"));
    Log(L"written");
    EXPECT_EQ(MessagesIn(PlainFile()), Logged({L"written"}));
    ASSERT_TRUE(::DeleteFileW(PlainFile().c_str()) && ::DeleteFileW(PathIn(L"file").c_str()));
    ASSERT_TRUE(::RemoveDirectoryW(Dir().c_str()));  // the directory goes while the program runs
    Log(L"lost");
    EXPECT_FALSE(FileExists(Dir())) << "the log made a directory";
    ASSERT_TRUE(::CreateDirectoryW(Dir().c_str(), nullptr));
    Log(L"after it came back");
    EXPECT_EQ(MessagesIn(PlainFile()), Logged({L"after it came back"}));
    const std::wstring atRoot = L"Z:\\wk_observer.log";
    wchar_t saved[MAX_PATH];
    ASSERT_TRUE(::GetCurrentDirectoryW(MAX_PATH, saved) && ::SetCurrentDirectoryW(L"Z:\\tmp"));
    for (const std::wstring path : {L"", L"\\"}) {
        ::DeleteFileW(atRoot.c_str());
        Set(Text(kDeploymentKey, L"LogPath", path));
        Log(L"path " + path);
        EXPECT_EQ(MessagesIn(atRoot), Logged({L"path " + path}));
    }
    ::DeleteFileW(atRoot.c_str());
    ::SetCurrentDirectoryW(saved);
}

// A current file held by another process without write sharing loses the lines until it is let
// go; one held without delete sharing (a log viewer, say) or read-only takes them but is not
// rotated away, and no rotated copy is left behind for every line. Wine keeps the read-only
// attribute as the Unix write permission, which root ignores: whether such a file takes lines is
// asked of Wine first.
TEST_F(LogFiles, ACurrentFileThatCannotGoIsNotRotatedAway) {
    EnableLogInDirectory();
    Log(L"first");
    Limits(0, 10);
    for (const DWORD share : {DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
        const mv::unique_hfile held(
            ::CreateFileW(PlainFile().c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        Log(L"shared " + std::to_wstring(share));
        Log(L"shared " + std::to_wstring(share) + L" again");
        EXPECT_TRUE(Rotated().empty());
    }
    ASSERT_TRUE(::SetFileAttributesW(PlainFile().c_str(), FILE_ATTRIBUTE_READONLY));
    const bool writable = bool(mv::unique_hfile(::CreateFileW(PlainFile().c_str(), GENERIC_WRITE, FILE_SHARE_READ |
                                                              FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)));
    Log(L"read-only");
    Log(L"read-only again");
    EXPECT_TRUE(Rotated().empty());
    ASSERT_TRUE(::SetFileAttributesW(PlainFile().c_str(), FILE_ATTRIBUTE_NORMAL));
    Log(L"after");
    const Lines rotated = Rotated();
    ASSERT_EQ(rotated.size(), 1u);
    Lines taken = {L"first", L"shared 3", L"shared 3 again"};
    if (writable) taken.insert(taken.end(), {L"read-only", L"read-only again"});
    EXPECT_EQ(MessagesIn(PathIn(rotated[0])), Logged(taken)) << "writable under Wine: " << writable;
    EXPECT_EQ(MessagesIn(PlainFile()), Logged({L"after"}));
}

// A rotation whose copy fails keeps the current file, which grows: here the log folder is so deep that a
// rotated file's name (33 characters) passes the file system's path limit while the current one's fits
// (wineserver says "can't map error: File name too long" for each such name).
TEST_F(LogFiles, ARotationThatCannotCopyKeepsTheCurrentFile) {
    std::wstring deep = Dir();
    const auto deepen = [&](std::size_t by) {
        return ::CreateDirectoryW((deep += L"\\" + std::wstring(by, L'd')).c_str(), nullptr);
    };
    const auto fits = [&](std::size_t name) {  // whether a file of a name this long can be made in `deep`
        return bool(mv::unique_hfile(::CreateFileW((deep + L"\\" + std::wstring(name, L'n')).c_str(), GENERIC_WRITE, 0,
                                                   nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr)));
    };
    while (fits(255) && deepen(200)) {}
    std::size_t room = 254;  // the longest name that fits: 54 or more, as 255 fitted a folder up
    while (room > 54 && !fits(room)) --room;
    EXPECT_TRUE(deepen(room - 21) && fits(20) && !fits(33)) << "room for names of 20 characters";
    EnableLogInDirectory();
    Set(Text(kDeploymentKey, L"LogPath", deep));
    Limits(0, 10);
    for (const wchar_t* line : {L"one", L"two", L"three"}) Log(line);
    EXPECT_EQ(ListFiles(deep), Lines{L"wk_observer.log"});
    EXPECT_EQ(MessagesIn(deep + L"\\wk_observer.log"), Logged({L"one", L"two", L"three"}));
    ::DeleteFileW((deep + L"\\wk_observer.log").c_str());
    for (; deep.size() > Dir().size(); deep.resize(deep.rfind(L'\\'))) ::RemoveDirectoryW(deep.c_str());
}

}  // namespace
