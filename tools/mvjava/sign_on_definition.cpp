#include "sign_on_definition.h"

#include <algorithm>

#include "json_reader.h"
#include "json_writer.h"

namespace mvjava {

bool SignOnRecorder::Take(const JournalEvent& event) {
    if (complete() || event.locator.empty()) return complete();
    SignOnDefinition& d = m_definition;
    const auto isField = [&](const std::wstring& locator) {
        return std::any_of(d.fields.begin(), d.fields.end(), [&](const SignOnField& f) { return f.locator == locator; });
    };
    if (event.event == L"text") {
        if (d.window.empty()) d.window = WindowPartOf(event.locator);
        if (WindowPartOf(event.locator) != d.window || isField(event.locator)) return false;
        const bool userSeen = std::any_of(d.fields.begin(), d.fields.end(), [](const SignOnField& f) { return f.role == L"user"; });
        d.fields.push_back({event.locator, event.password ? L"password" : userSeen ? L"text" : L"user"});
    } else if (event.event == L"click" && event.role == L"button" && !d.fields.empty() &&
               WindowPartOf(event.locator) == d.window) {
        d.submit = event.locator;
    }
    return complete();
}

std::string SignOnJson(const SignOnDefinition& definition) {
    JsonWriter out;
    out.BeginObject().Key("window").String(definition.window).Key("fields").BeginArray();
    for (const SignOnField& field : definition.fields)
        out.BeginObject().Key("locator").String(field.locator).Key("role").String(field.role).EndObject();
    return out.EndArray().Key("submit").String(definition.submit).EndObject().text();
}

std::optional<SignOnDefinition> ParseSignOn(const std::string& json, std::string& error) {
    const JsonParseResult parsed = ParseJson(json);
    if (!parsed.value) {
        error = parsed.error;
        return std::nullopt;
    }
    const auto text = [&](const JsonValue& object, const wchar_t* key) -> std::optional<std::wstring> {
        const JsonValue* value = object.find(key);
        if (value && value->is(JsonValue::Type::kString) && !value->string().empty()) return value->string();
        return std::nullopt;
    };
    SignOnDefinition definition;
    const auto window = text(*parsed.value, L"window");
    const auto submit = text(*parsed.value, L"submit");
    const JsonValue* fields = parsed.value->find(L"fields");
    if (!window || !submit || !fields || !fields->is(JsonValue::Type::kArray)) {
        error = "a sign-on definition has \"window\", \"fields\" and \"submit\"";
        return std::nullopt;
    }
    definition.window = *window;
    definition.submit = *submit;
    for (const JsonValue& field : fields->array()) {
        const auto locator = text(field, L"locator");
        const auto role = text(field, L"role");
        if (!locator || !role) {
            error = "each field has a \"locator\" and a \"role\"";
            return std::nullopt;
        }
        definition.fields.push_back({*locator, *role});
    }
    return definition;
}

}  // namespace mvjava
