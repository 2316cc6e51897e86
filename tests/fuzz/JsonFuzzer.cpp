// Feeds arbitrary JSON texts, paths and values to JsonDocument and JsonView
// and checks what must hold whatever the input: nothing crashes or leaks,
// every JSON text produced is valid, and a view's text survives a re-parse.
#include "platform/CodePage.h"
#include "support/JsonDocument.h"
#include "support/JsonView.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Require(bool holds, const char* what, const std::string& text) {
    if (holds) return;
    std::fprintf(stderr, "%s: %s\n", what, text.c_str());
    std::abort();
}

void RequireValidJson(const std::string& cp936, const char* who) {
    Require(nlohmann::json::accept(vkr::Cp936ToUtf8(cp936)), who, cp936);
}

void ApplyToDocument(vkr::JsonDocument& document, int operation, const std::string& path, const std::string& value,
                     int index, bool flag) {
    std::vector<std::string> names;
    std::string resolved = path;
    switch (operation) {
    case 0: document.SetValue(path, value, flag); break;
    case 1: document.SetJson(path, value); break;
    case 2: document.ResolvePath(resolved); break;
    case 3: document.TypeOf(path); break;
    case 4: {
        std::string text = document.GetText(path, true);
        if (!text.empty()) RequireValidJson(text, "GetText");
        break;
    }
    case 5: document.MemberNames(names, path); break;
    case 6: document.Count(path); break;
    case 7: document.GetObject(path).ToText(); break;
    case 8: document.Push(value, path, flag); break;
    case 9: document.GetElementObject(index, path).ToText(); break;
    case 10: document.GetElementText(index, path, flag); break;
    case 11: document.SetElement(index, path, value, flag); break;
    case 12: document.RemoveElement(index, path); break;
    case 13: document.Remove(path); break;
    case 14: document.SetNumber(path, index * 1.25); break;
    case 15: document.SetLong(path, static_cast<std::int64_t>(index) << 33); break;
    case 16: document.GetNumber(path); break;
    case 17: document.EvalText(path); break;
    default: document.GetText(path); break;
    }
}

void ApplyToView(vkr::JsonView& view, int operation, const std::string& path, const std::string& value, int index,
                 bool flag) {
    std::vector<std::string> names;
    switch (operation) {
    case 0: view.SetValue(path, value, flag); break;
    case 1: view.SetJson(path, value); break;
    case 2: view.Exists(path); break;
    case 3: view.TypeOf(path); break;
    case 4: view.GetText(path, flag); break;
    case 5: view.MemberNames(names, path); break;
    case 6: view.Count(path); break;
    case 7: view.GetObject(path).ToText(); break;
    case 8: view.Push(value, path, flag); break;
    case 9: view.GetElementObject(index, path).ToText(); break;
    case 10: view.GetElementText(index, path, flag); break;
    case 11: view.SetElement(index, value, flag); break;
    case 12: view.RemoveElement(index); break;
    case 13: view.RemovePathElement(path); break;
    case 14: view.SetNumber(path, index * 1.25); break;
    case 15: view.SetRoot(value, flag); break;
    case 16: view.GetNumber(path); break;
    case 17: view.Reset(index % 7); break;
    default: view.GetJson(path); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::string json = input.ConsumeRandomLengthString(4096);
    vkr::JsonDocument document;
    vkr::JsonView view;
    document.Parse(json);
    view.Parse(json);
    while (input.remaining_bytes() > 0) {
        int operation = input.ConsumeIntegralInRange(0, 18);
        int index = input.ConsumeIntegralInRange(-3, 40);
        bool flag = input.ConsumeBool();
        std::string path = input.ConsumeRandomLengthString(64);
        std::string value = input.ConsumeRandomLengthString(256);
        ApplyToDocument(document, operation, path, value, index, flag);
        ApplyToView(view, operation, path, value, index, flag);
    }
    RequireValidJson(document.ToText(), "document");
    std::string viewText = view.ToText();
    RequireValidJson(viewText, "view");
    vkr::JsonView reparsed;
    if (reparsed.Parse(viewText)) Require(reparsed.ToText() == viewText, "view re-parse", viewText);
    return 0;
}
