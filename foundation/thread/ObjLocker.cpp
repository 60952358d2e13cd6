#include "foundation/thread/ObjLocker.h"

namespace s::thread {

ObjLocker::~ObjLocker() {
    if (!m_object)
        return;
    if (m_deleter)
        m_deleter(m_object);
    else if (m_destructor)
        m_destructor->destroy(&m_object);
    else
        delete static_cast<base::IObject*>(m_object);
    m_object = nullptr;
}

void ObjLocker::attach(void* object, Deleter deleter, base::IDestructor* destructor) {
    m_object = object;
    m_deleter = deleter;
    m_destructor = destructor;
}

} // namespace s::thread
