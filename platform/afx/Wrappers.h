// The class library's wrappers of handles it did not make itself
// (CDC::FromHandle, CFont::FromHandle). A wrapper is dropped when the drawing
// layer lets its handle go.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/WinDef.h"

namespace dv::afx {

// One kind of handle's wrappers. Made on first use, they live to the process
// end unless the handle goes first.
template <typename Handle, typename Wrapper>
class WrapperMap {
public:
    // The wrapper of handle, made by make(handle) the first time it is asked for.
    template <typename Make>
    Wrapper* Find(Handle handle, Make make) {
        std::scoped_lock lock(m_lock);
        auto& slot = m_wrappers[handle];
        if (!slot) {
            slot = make(handle);
        }
        return slot.get();
    }
    // The handle's wrapper out of the map, to be destroyed outside its lock.
    std::unique_ptr<Wrapper> Take(Handle handle) {
        std::scoped_lock lock(m_lock);
        auto it = m_wrappers.find(handle);
        if (it == m_wrappers.end()) {
            return nullptr;
        }
        std::unique_ptr<Wrapper> gone = std::move(it->second);
        m_wrappers.erase(it);
        return gone;
    }

private:
    std::mutex m_lock;
    std::map<Handle, std::unique_ptr<Wrapper>> m_wrappers;
};

void ForgetDcWrapper(HDC hdc);
void ForgetFontWrapper(HFONT hfont);
// Asks the drawing layer, once, for notice of the handles that go.
void WatchGoneHandles();

}  // namespace dv::afx
