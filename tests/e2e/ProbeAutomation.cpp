#include "ProbeAutomation.h"

#include <oleauto.h>

#include "ProbeText.h"
#include "platform/ModuleFunction.h"

namespace probe {

namespace {

using Node = void*;  // HUIANODE
struct Condition {
    int type;  // ConditionType_True: 0
};
struct CacheRequest {
    Condition* view;
    int scope;  // TreeScope_Element: 1
    int* properties;
    int propertyCount;
    int* patterns;
    int patternCount;
    int mode;  // AutomationElementMode_Full: 1
};

struct Core {
    HMODULE module = LoadLibraryW(L"uiautomationcore.dll");
    HRESULT(WINAPI* nodeFromHandle)(HWND, Node*) = Find<HRESULT(WINAPI*)(HWND, Node*)>("UiaNodeFromHandle");
    HRESULT(WINAPI* getPropertyValue)
    (Node, int, VARIANT*) = Find<HRESULT(WINAPI*)(Node, int, VARIANT*)>("UiaGetPropertyValue");
    HRESULT(WINAPI* navigate)
    (Node, int, Condition*, CacheRequest*, SAFEARRAY**,
     BSTR*) = Find<HRESULT(WINAPI*)(Node, int, Condition*, CacheRequest*, SAFEARRAY**, BSTR*)>("UiaNavigate");
    HRESULT(WINAPI* nodeFromVariant)
    (VARIANT*, Node*) = Find<HRESULT(WINAPI*)(VARIANT*, Node*)>("UiaHUiaNodeFromVariant");
    BOOL(WINAPI* nodeRelease)(Node) = Find<BOOL(WINAPI*)(Node)>("UiaNodeRelease");

    template <class Function>
    Function Find(const char* name) const {
        return tavrelonim::platform::FunctionOf<Function>(module, name);
    }
    [[nodiscard]] bool Complete() const {
        return nodeFromHandle != nullptr && getPropertyValue != nullptr && navigate != nullptr &&
               nodeFromVariant != nullptr && nodeRelease != nullptr;
    }
};

const Core& TheCore() {
    static const Core core;
    return core;
}

constexpr int kNavigateNextSibling = 1;
constexpr int kNavigateFirstChild = 3;
constexpr int kControlType = 30003;
constexpr int kName = 30005;
constexpr int kItemStatus = 30026;
constexpr int kPositionInSet = 30152;
constexpr int kSizeOfSet = 30153;

Node held[2] = {nullptr, nullptr};

std::string Value(Node node, int property) {
    VARIANT value;
    VariantInit(&value);
    const HRESULT read = TheCore().getPropertyValue(node, property, &value);
    std::string out;
    if (FAILED(read)) {
        out = Json(HResult(read));
    } else if (value.vt == VT_I4) {
        out = Num(value.lVal);
    } else if (value.vt == VT_BSTR) {
        out = Json(Utf8(value.bstrVal != nullptr ? value.bstrVal : L""));
    } else if (value.vt == VT_EMPTY) {
        out = "null";
    } else {
        out = Json(Cat("vt ", Num(value.vt)));  // the core's "not supported", among others
    }
    VariantClear(&value);
    return out;
}

std::string Element(Node node) {
    return Cat("{\"type\":", Value(node, kControlType), ",\"name\":", Value(node, kName),
               ",\"status\":", Value(node, kItemStatus), ",\"position\":", Value(node, kPositionInSet),
               ",\"size\":", Value(node, kSizeOfSet), "}");
}

// The element in the direction from a node, or null; the caller releases it.
Node Navigate(Node from, int direction) {
    Condition all{0};
    CacheRequest request{&all, 1, nullptr, 0, nullptr, 0, 1};
    SAFEARRAY* data = nullptr;
    BSTR tree = nullptr;
    Node to = nullptr;
    if (SUCCEEDED(TheCore().navigate(from, direction, &all, &request, &data, &tree)) && data != nullptr) {
        LONG index[2] = {0, 0};
        VARIANT found;
        VariantInit(&found);
        if (SUCCEEDED(SafeArrayGetElement(data, index, &found))) {
            TheCore().nodeFromVariant(&found, &to);
        }
        VariantClear(&found);
        SafeArrayDestroy(data);
    }
    SysFreeString(tree);
    return to;
}

}  // namespace

std::string AutomationTree(HWND list) {
    const Core& core = TheCore();
    Node root = nullptr;
    if (!core.Complete() || list == nullptr || FAILED(core.nodeFromHandle(list, &root)) || root == nullptr) {
        return "null";
    }
    std::string items;
    // Bounded, so that a provider whose siblings never end cannot hold the probe.
    Node item = Navigate(root, kNavigateFirstChild);
    for (int count = 0; item != nullptr && count < 100; ++count) {
        items += Cat(items.empty() ? "" : ",", Element(item));
        Node next = Navigate(item, kNavigateNextSibling);
        core.nodeRelease(item);
        item = next;
    }
    if (item != nullptr) {
        core.nodeRelease(item);
    }
    std::string out = Cat("{\"list\":", Element(root), ",\"items\":[", items, "]}");
    core.nodeRelease(root);
    return out;
}

std::string AutomationHold(HWND list) {
    const Core& core = TheCore();
    if (!core.Complete() || list == nullptr || FAILED(core.nodeFromHandle(list, &held[0])) || held[0] == nullptr) {
        return "no element";
    }
    held[1] = Navigate(held[0], kNavigateFirstChild);
    return held[1] != nullptr ? "ok" : "no item";
}

std::string AutomationHeld() {
    std::string out = "[";
    for (Node& node : held) {
        out += Cat(out.size() > 1 ? "," : "", node != nullptr ? Value(node, kName) : "null");
    }
    return out + "]";
}

}  // namespace probe
