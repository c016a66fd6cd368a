#include "display/ControlRegistry.h"

#include <map>
#include <mutex>

namespace display {
namespace {

struct Classes {
    std::mutex mutex;
    std::map<std::string, ControlFactory> factories;
};

Classes& Registered()
{
    static Classes classes;
    return classes;
}

} // namespace

void ControlRegistry::Register(const std::string& classId, ControlFactory factory)
{
    Classes& c = Registered();
    std::lock_guard lock(c.mutex);
    c.factories[classId] = factory;
}

void ControlRegistry::Unregister(const std::string& classId)
{
    Classes& c = Registered();
    std::lock_guard lock(c.mutex);
    c.factories.erase(classId);
}

bool ControlRegistry::IsRegistered(const std::string& classId)
{
    Classes& c = Registered();
    std::lock_guard lock(c.mutex);
    return c.factories.count(classId) != 0;
}

ControlInstance ControlRegistry::Create(const std::string& classId, QWidget* parent, DisplayEventSink* sink)
{
    ControlFactory factory = nullptr;
    {
        Classes& c = Registered();
        std::lock_guard lock(c.mutex);
        auto it = c.factories.find(classId);
        if (it != c.factories.end())
            factory = it->second;
    }
    return factory ? factory(parent, sink) : ControlInstance{};
}

} // namespace display
