// Reading integer and string values from an INI file by section and key, with a default.
// Section and key names match without regard to letter case; a missing file or key gives the
// default; a value is stripped of surrounding blanks and one pair of enclosing quotes.
#include <ini.h>
#include <strings.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

constexpr int ValueSize = 512;

struct IniQuery {
    const char* section;
    const char* key;
    bool found;
    char value[ValueSize];
};

// Keeps the first value of the wanted key in the wanted section.
int matchKey(void* user, const char* section, const char* name, const char* value) {
    IniQuery* query = static_cast<IniQuery*>(user);
    if (query->found) return 1;
    if (strcasecmp(section, query->section) != 0 || strcasecmp(name, query->key) != 0) return 1;
    query->found = true;
    snprintf(query->value, sizeof query->value, "%s", value);
    return 1;
}

// Line reader for the parser: one line per call, leading blanks removed (so an indented key is
// an ordinary key, not a continuation), the rest of an over-long line dropped.
char* readIniLine(char* line, int size, void* stream) {
    FILE* file = static_cast<FILE*>(stream);
    int c = fgetc(file);
    while (c == ' ' || c == '\t') c = fgetc(file);
    if (c == EOF) return nullptr;
    int length = 0;
    while (c != EOF && c != '\n') {
        if (length < size - 2) line[length++] = static_cast<char>(c);
        c = fgetc(file);
    }
    line[length++] = '\n';
    line[length] = '\0';
    return line;
}

// Finds the value of section/key in file; false when the file or the key is missing.
bool lookUp(const char* file, const char* section, const char* key, IniQuery* query) {
    query->section = section;
    query->key = key;
    query->found = false;
    query->value[0] = '\0';
    if (file == nullptr || section == nullptr || key == nullptr) return false;
    FILE* stream = fopen(file, "r");
    if (stream == nullptr) return false;
    ini_parse_stream(readIniLine, stream, matchKey, query);
    fclose(stream);
    return query->found;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Strips surrounding blanks and then one pair of matching enclosing quotes, in place.
char* stripValue(char* value) {
    while (isBlank(*value)) value++;
    size_t length = strlen(value);
    while (length > 0 && isBlank(value[length - 1])) value[--length] = '\0';
    if (length >= 2 && (value[0] == '"' || value[0] == '\'') && value[length - 1] == value[0]) {
        value[length - 1] = '\0';
        value++;
    }
    return value;
}

// Reads an integer as atoi does (blanks, optional sign, decimal digits), saturating at the
// int range instead of overflowing.
int parseInt(const char* text) {
    while (isBlank(*text)) text++;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    long long magnitude = 0;
    while (*text >= '0' && *text <= '9') {
        if (magnitude <= static_cast<long long>(INT_MAX) + 1) magnitude = magnitude * 10 + (*text - '0');
        text++;
    }
    if (negative) return magnitude > static_cast<long long>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-magnitude);
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

} // namespace

int iniReadInt(const char* file, const char* section, const char* key, int defaultValue) {
    IniQuery query;
    if (!lookUp(file, section, key, &query)) return defaultValue;
    return parseInt(stripValue(query.value));
}

void iniReadString(const char* file, const char* section, const char* key,
                   const char* defaultValue, char* out, int size) {
    if (out == nullptr || size <= 0) return;
    IniQuery query;
    const char* value = lookUp(file, section, key, &query) ? stripValue(query.value) : defaultValue;
    if (value == nullptr) value = "";
    snprintf(out, static_cast<size_t>(size), "%s", value);
}
