#include "common/cmdline.h"

#include "base/mbname.h"

static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::vector<std::string> TokenizeCommandLine(const char* line) {
    std::vector<std::string> tokens;
    const char* p = line;
    for (;;) {
        while (*p != '\0' && IsBlank(*p)) ++p;
        if (*p == '\0') break;
        std::string token;
        while (*p != '\0' && !IsBlank(*p)) {
            if (*p == '"') {
                ++p;
                while (*p != '\0' && *p != '"') {
                    const char* next = NextChar932(p);
                    token.append(p, next);
                    p = next;
                }
                if (*p == '"') ++p;
            } else {
                const char* next = NextChar932(p);
                token.append(p, next);
                p = next;
            }
        }
        tokens.push_back(token);
    }
    return tokens;
}

static bool IsSwitch(const std::string& token) { return token.size() >= 2 && token[0] == '-'; }

static void AddOperand(const std::string& token, Command* command) {
    if (token.size() > 1 && token[0] == '@')
        command->responseFiles.push_back(token.substr(1));
    else
        command->names.push_back(token);
}

static bool ParseZip(const std::vector<std::string>& tokens, Command* command, std::string* error) {
    command->create = true;
    for (const std::string& token : tokens) {
        if (IsSwitch(token)) {
            if (token == "-r") {
                command->recurse = true;
            } else if (token.size() == 2 && token[1] >= '0' && token[1] <= '9') {
                command->level = token[1] - '0';
            } else if (token != "-q") {
                *error = "unknown switch " + token;
                return false;
            }
        } else if (command->archive.empty()) {
            command->archive = token;
        } else if (command->folder.empty() && command->names.empty() && command->responseFiles.empty() &&
                   EndsWithSeparator(token)) {
            command->folder = token;
        } else {
            AddOperand(token, command);
        }
    }
    return true;
}

static bool ParseUnZip(const std::vector<std::string>& tokens, Command* command, std::string* error) {
    bool extract = false;
    for (const std::string& token : tokens) {
        if (IsSwitch(token)) {
            if (token == "-x") {
                extract = true;
            } else if (token == "-o") {
                command->overwrite = true;
            } else {
                *error = "unknown switch " + token;
                return false;
            }
        } else if (command->archive.empty()) {
            command->archive = token;
        } else if (command->folder.empty() && command->names.empty()) {
            command->folder = token;
        } else {
            command->names.push_back(token);
        }
    }
    if (!extract) {
        *error = "no -x";
        return false;
    }
    return true;
}

static bool ParseTar(const std::vector<std::string>& tokens, Command* command, std::string* error) {
    bool sawMode = false;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::string& token = tokens[i];
        if (token == "-o") {
            if (i + 1 >= tokens.size()) {
                *error = "-o without a folder";
                return false;
            }
            command->folder = tokens[++i];
        } else if (IsSwitch(token)) {
            for (size_t k = 1; k < token.size(); ++k) {
                switch (token[k]) {
                case 'c': command->create = true; sawMode = true; break;
                case 'x': command->create = false; sawMode = true; break;
                case 'z': command->gzip = true; break;
                case 'v': case 'f': case 'p': break;
                default:
                    *error = "unknown switch " + token;
                    return false;
                }
            }
        } else if (command->archive.empty()) {
            command->archive = token;
        } else {
            AddOperand(token, command);
        }
    }
    if (!sawMode) {
        *error = "neither -c nor -x";
        return false;
    }
    command->recurse = true;
    return true;
}

// The command words and switches of the other prefixes. A command word
// ("a", "x", "e") or a mode switch ("-a", "-x") says create or extract; then
// come the archive, for creation an optional base folder ending in a
// separator and the names, for extraction the destination and patterns.
namespace {
struct SwitchRule {
    const char* text;
    enum { CreateMode, ExtractMode, Overwrite, Recurse, Ignored } meaning;
};
}  // namespace

static const SwitchRule kSevenZipWords[] = {
    {"a", SwitchRule::CreateMode}, {"u", SwitchRule::CreateMode},
    {"x", SwitchRule::ExtractMode}, {"e", SwitchRule::ExtractMode},
};
static const SwitchRule kSevenZipSwitches[] = {
    {"-t7z", SwitchRule::Ignored}, {"-ms=off", SwitchRule::Ignored}, {"-ms=on", SwitchRule::Ignored},
    {"-aoa", SwitchRule::Overwrite}, {"-y", SwitchRule::Overwrite}, {"-r", SwitchRule::Recurse},
    {"-hide", SwitchRule::Ignored},
};
static const SwitchRule kUnlhaWords[] = {
    {"a", SwitchRule::CreateMode}, {"u", SwitchRule::CreateMode},
    {"x", SwitchRule::ExtractMode}, {"e", SwitchRule::ExtractMode},
};
static const SwitchRule kUnlhaSwitches[] = {
    {"-d1", SwitchRule::Recurse}, {"-r1", SwitchRule::Recurse}, {"-r2", SwitchRule::Recurse},
    {"-gyo0", SwitchRule::Overwrite}, {"-m1", SwitchRule::Overwrite}, {"-x1", SwitchRule::Ignored},
    {"-n1", SwitchRule::Ignored},
};
static const SwitchRule kCabSwitches[] = {
    {"-a", SwitchRule::CreateMode}, {"-x", SwitchRule::ExtractMode},
    {"-o", SwitchRule::Overwrite}, {"-r", SwitchRule::Recurse}, {"-i", SwitchRule::Ignored},
};
static const SwitchRule kUnrarSwitches[] = {
    {"-x", SwitchRule::ExtractMode}, {"-e", SwitchRule::ExtractMode},
    {"-o", SwitchRule::Overwrite}, {"-r", SwitchRule::Recurse}, {"-s", SwitchRule::Ignored},
};

namespace {
struct RoleRules {
    const SwitchRule* words;  // command words; none when the mode is a switch
    size_t wordCount;
    const SwitchRule* switches;
    size_t switchCount;
    bool canCreate;
};
}  // namespace

#define FDARC_RULES(list) list, sizeof(list) / sizeof(list[0])
static const RoleRules kSevenZipRules = {FDARC_RULES(kSevenZipWords), FDARC_RULES(kSevenZipSwitches), true};
static const RoleRules kUnlhaRules = {FDARC_RULES(kUnlhaWords), FDARC_RULES(kUnlhaSwitches), true};
static const RoleRules kCabRules = {nullptr, 0, FDARC_RULES(kCabSwitches), true};
static const RoleRules kUnrarRules = {nullptr, 0, FDARC_RULES(kUnrarSwitches), false};
#undef FDARC_RULES

static const SwitchRule* FindRule(const SwitchRule* rules, size_t count, const std::string& token) {
    for (size_t i = 0; i < count; ++i) {
        if (token == rules[i].text) return &rules[i];
    }
    return nullptr;
}

static bool ParseWithRules(const RoleRules& rules, const std::vector<std::string>& tokens, Command* command,
                           std::string* error) {
    bool sawMode = false;
    for (const std::string& token : tokens) {
        const SwitchRule* rule = nullptr;
        if (IsSwitch(token)) {
            rule = FindRule(rules.switches, rules.switchCount, token);
            if (rule == nullptr) {
                *error = "unknown switch " + token;
                return false;
            }
        } else if (!sawMode && rules.wordCount > 0) {
            rule = FindRule(rules.words, rules.wordCount, token);
            if (rule == nullptr) {
                *error = "unknown command " + token;
                return false;
            }
        }
        if (rule != nullptr) {
            switch (rule->meaning) {
            case SwitchRule::CreateMode: command->create = true; sawMode = true; break;
            case SwitchRule::ExtractMode: command->create = false; sawMode = true; break;
            case SwitchRule::Overwrite: command->overwrite = true; break;
            case SwitchRule::Recurse: command->recurse = true; break;
            case SwitchRule::Ignored: break;
            }
        } else if (command->archive.empty()) {
            command->archive = token;
        } else if (command->create) {
            if (command->folder.empty() && command->names.empty() && command->responseFiles.empty() &&
                EndsWithSeparator(token))
                command->folder = token;
            else
                AddOperand(token, command);
        } else if (command->folder.empty() && command->names.empty()) {
            command->folder = token;
        } else {
            command->names.push_back(token);
        }
    }
    if (!sawMode) {
        *error = "no command";
        return false;
    }
    if (command->create && !rules.canCreate) {
        *error = "this prefix only extracts";
        return false;
    }
    // Creation takes whole folders: the program names folders and expects
    // everything below them.
    if (command->create) command->recurse = true;
    return true;
}

bool ParseCommand(Role role, const char* line, Command* command, std::string* error) {
    *command = Command();
    if (line == nullptr) {
        *error = "no command line";
        return false;
    }
    std::vector<std::string> tokens = TokenizeCommandLine(line);
    bool ok = false;
    switch (role) {
    case Role::Zip: ok = ParseZip(tokens, command, error); break;
    case Role::UnZip: ok = ParseUnZip(tokens, command, error); break;
    case Role::Tar: ok = ParseTar(tokens, command, error); break;
    case Role::SevenZip: ok = ParseWithRules(kSevenZipRules, tokens, command, error); break;
    case Role::Unlha: ok = ParseWithRules(kUnlhaRules, tokens, command, error); break;
    case Role::Cab: ok = ParseWithRules(kCabRules, tokens, command, error); break;
    case Role::Unrar: ok = ParseWithRules(kUnrarRules, tokens, command, error); break;
    }
    if (ok && command->archive.empty()) {
        *error = "no archive named";
        ok = false;
    }
    if (ok && command->create && command->names.empty() && command->responseFiles.empty()) {
        *error = "nothing to add";
        ok = false;
    }
    return ok;
}

std::vector<std::string> ParseResponseText(const std::string& text) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && IsBlank(line.back())) line.pop_back();
        size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        line.erase(0, first);
        if (!line.empty() && line[0] == '"') {
            size_t close = line.find('"', 1);  // '"' is never a trail byte
            line = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        }
        if (!line.empty()) names.push_back(line);
    }
    return names;
}
