#pragma once
// A small check that text is well-formed XML: one root element, every element closed in order,
// attributes quoted and unique, entities known. Enough to catch broken SVG, not a validator.

#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace trellmark::testing {

// Empty when well-formed, else what is wrong and where.
inline std::string xmlProblem(const std::string& xml) {
    const auto isNameChar = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == ':' || c == '-' || c == '_' ||
               c == '.';
    };
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    const auto at = [](std::size_t i) { return " at byte " + std::to_string(i); };
    const auto entitiesOk = [](const std::string& text) {
        for (std::size_t amp = text.find('&'); amp != std::string::npos;
             amp = text.find('&', amp + 1)) {
            const std::size_t semi = text.find(';', amp);
            if (semi == std::string::npos) return false;
            const std::string name = text.substr(amp + 1, semi - amp - 1);
            static const std::set<std::string> known = {"amp", "lt", "gt", "quot", "apos"};
            if (!known.count(name) && !(name.size() > 1 && name[0] == '#')) return false;
        }
        return true;
    };
    std::vector<std::string> open;
    int roots = 0;
    std::size_t i = 0;
    while (i < xml.size()) {
        const std::size_t lt = xml.find('<', i);
        const std::string text =
            xml.substr(i, lt == std::string::npos ? std::string::npos : lt - i);
        if (!entitiesOk(text)) return "bad entity in text" + at(i);
        if (open.empty() && text.find_first_not_of(" \t\r\n") != std::string::npos) {
            return "text outside the root" + at(i);
        }
        if (lt == std::string::npos) break;
        if (xml.compare(lt, 4, "<!--") == 0) {
            const std::size_t end = xml.find("-->", lt);
            if (end == std::string::npos) return "unclosed comment" + at(lt);
            i = end + 3;
            continue;
        }
        if (xml.compare(lt, 2, "<?") == 0) {
            const std::size_t end = xml.find("?>", lt);
            if (end == std::string::npos) return "unclosed declaration" + at(lt);
            i = end + 2;
            continue;
        }
        const bool closing = xml.compare(lt, 2, "</") == 0;
        std::size_t p = lt + (closing ? 2 : 1);
        const std::size_t nameStart = p;
        while (p < xml.size() && isNameChar(xml[p])) ++p;
        const std::string name = xml.substr(nameStart, p - nameStart);
        if (name.empty()) return "tag without a name" + at(lt);
        if (closing) {
            while (p < xml.size() && isBlank(xml[p])) ++p;
            if (p >= xml.size() || xml[p] != '>') return "bad closing tag" + at(lt);
            if (open.empty() || open.back() != name) return "</" + name + "> out of order" + at(lt);
            open.pop_back();
            i = p + 1;
            continue;
        }
        std::set<std::string> attributes;
        while (true) {
            const std::size_t before = p;
            while (p < xml.size() && isBlank(xml[p])) ++p;
            if (p >= xml.size()) return "unclosed tag" + at(lt);
            if (xml[p] == '>' || xml.compare(p, 2, "/>") == 0) break;
            if (p == before) return "attributes not separated" + at(p);
            const std::size_t attributeStart = p;
            while (p < xml.size() && isNameChar(xml[p])) ++p;
            const std::string attribute = xml.substr(attributeStart, p - attributeStart);
            if (attribute.empty() || !attributes.insert(attribute).second) {
                return "bad or repeated attribute" + at(attributeStart);
            }
            if (p + 1 >= xml.size() || xml[p] != '=' || (xml[p + 1] != '"' && xml[p + 1] != '\'')) {
                return "attribute without a quoted value" + at(attributeStart);
            }
            const std::size_t end = xml.find(xml[p + 1], p + 2);
            if (end == std::string::npos) return "unclosed attribute value" + at(p);
            const std::string value = xml.substr(p + 2, end - p - 2);
            if (value.find('<') != std::string::npos || !entitiesOk(value)) {
                return "bad attribute value" + at(p);
            }
            p = end + 1;
        }
        const bool empty = xml[p] == '/';
        if (open.empty() && ++roots > 1) return "a second root element" + at(lt);
        if (!empty) open.push_back(name);
        i = p + (empty ? 2 : 1);
    }
    if (!open.empty()) return "<" + open.back() + "> never closed";
    if (roots != 1) return "no root element";
    return {};
}

}  // namespace trellmark::testing
