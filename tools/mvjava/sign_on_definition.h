#pragma once
// A sign-on definition: how to sign in to one window of a Java application, as `mvjava record`
// saw a person do it and `mvjava replay` does it again. JSON:
//   {"window":"window name=\"loginFrame\"",
//    "fields":[{"locator":"...","role":"user"},{"locator":"...","role":"password"}],
//    "submit":"window name=\"loginFrame\" >> name=\"signIn\""}
// Roles: "password" for a password field, "user" for the first other field, "text" for the rest.
// It holds locators only: no text that was typed.

#include <optional>
#include <string>
#include <vector>

#include "journal_reader.h"

namespace mvjava {

struct SignOnField {
    std::wstring locator;
    std::wstring role;
};

struct SignOnDefinition {
    std::wstring window;
    std::vector<SignOnField> fields;
    std::wstring submit;
};

// Builds the definition from journal events as they come: the first text change names the window,
// each field typed into is added once in the order it was first changed, and the first click on a
// button of that window after that is the submit, which completes it.
class SignOnRecorder {
public:
    // Takes one event; true once the definition is complete.
    bool Take(const JournalEvent& event);
    bool complete() const { return !m_definition.submit.empty(); }
    const SignOnDefinition& definition() const { return m_definition; }

private:
    SignOnDefinition m_definition;
};

std::string SignOnJson(const SignOnDefinition& definition);
// The definition in `json`; nullopt (and `error`) when it is not one.
std::optional<SignOnDefinition> ParseSignOn(const std::string& json, std::string& error);

}  // namespace mvjava
