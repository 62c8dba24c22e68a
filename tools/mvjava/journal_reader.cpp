#include "journal_reader.h"

#include "common/com/bstr.h"
#include "exit_codes.h"
#include "java_arguments.h"
#include "json_reader.h"
#include "json_writer.h"
#include "utf8.h"

namespace mvjava {
namespace {

std::wstring StringMember(const JsonValue& object, const wchar_t* key) {
    const JsonValue* value = object.find(key);
    return value && value->is(JsonValue::Type::kString) ? value->string() : std::wstring();
}

long long IntegerMember(const JsonValue& object, const wchar_t* key, long long fallback) {
    const JsonValue* value = object.find(key);
    return value && value->integer() ? *value->integer() : fallback;
}

// The event again as one line of JSON, keys in the hook's order.
std::string EventJson(const JournalEvent& e) {
    JsonWriter out;
    out.BeginObject().Key("sequence").Number(e.sequence).Key("time").Number(e.time).Key("event").String(e.event);
    out.Key("locator").String(e.locator).Key("path").String(e.path).Key("class").String(e.className);
    out.Key("name").String(e.name).Key("role");
    if (e.role.empty()) out.Null();
    else out.String(e.role);
    if (e.length >= 0) out.Key("length").Number(e.length).Key("password").Bool(e.password);
    return out.EndObject().text();
}

}  // namespace

JournalReader::JournalReader(IMvJavaCpp* jvm, long mask) : m_jvm(jvm), m_mask(mask) {
    UINT64 hook = 0;
    HRESULT hr = jvm->GetMorvaneAWTHook(&hook);
    if (FAILED(hr) || !hook)
        throw Failure(ExitCode::kCallFailed, "the hook is not installed in that process: " + DescribeHresult(hr));
    m_hook = JavaRef(jvm, hook);
    hr = jvm->AddAWTEventListener(mask);
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, "AddAWTEventListener failed: " + DescribeHresult(hr));
}

JournalReader::~JournalReader() { m_jvm->RemoveAWTEventListener(m_mask); }

std::vector<JournalEvent> JournalReader::Next(int timeoutMs) {
    mv::unique_variant args;
    if (!MakeArgumentArray(args, {ArgumentI8(m_next), ArgumentI4(timeoutMs)}))
        throw Failure(ExitCode::kCallFailed, "out of memory");
    mv::unique_bstr json;
    const HRESULT hr = m_jvm->CallStaticStringMethod(m_hook.get(), mv::unique_bstr::copy_of(L"journalAfter").get(),
                                                     mv::unique_bstr::copy_of(L"(JI)Ljava/lang/String;").get(),
                                                     args.get(), json.put());
    if (FAILED(hr) || !json)
        throw Failure(ExitCode::kCallFailed, "the hook's journal could not be read: " + DescribeHresult(hr));
    const JsonParseResult parsed = ParseJson(ToUtf8(json.view()));
    const JsonValue* events = parsed.value ? parsed.value->find(L"events") : nullptr;
    if (!events || !events->is(JsonValue::Type::kArray))
        throw Failure(ExitCode::kCallFailed, "the hook's journal is not what was expected: " + parsed.error);
    m_next = IntegerMember(*parsed.value, L"next", m_next);
    m_dropped += IntegerMember(*parsed.value, L"dropped", 0);
    std::vector<JournalEvent> read;
    for (const JsonValue& e : events->array()) {
        JournalEvent event;
        event.sequence = IntegerMember(e, L"sequence", 0);
        event.time = IntegerMember(e, L"time", 0);
        event.event = StringMember(e, L"event");
        event.locator = StringMember(e, L"locator");
        event.path = StringMember(e, L"path");
        event.className = StringMember(e, L"class");
        event.name = StringMember(e, L"name");
        event.role = StringMember(e, L"role");
        event.length = IntegerMember(e, L"length", -1);
        const JsonValue* password = e.find(L"password");
        event.password = password && password->is(JsonValue::Type::kBool) && password->boolean();
        event.json = EventJson(event);
        read.push_back(std::move(event));
    }
    return read;
}

std::wstring WindowPartOf(const std::wstring& locator) { return locator.substr(0, locator.find(L" >> ")); }

}  // namespace mvjava
