#include "app/process/commandline/win/CommandLine.h"

#include "foundation/file/win/OsText.h"
#include "foundation/str/StrBuffer.h"

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace s::process::commandline::win {

using str::strbuffer::StrBuffer;

CommandLine::CommandLine() : m_arguments(str::strarray::StrArray::create()) {}

CommandLine::~CommandLine() {
    m_arguments->release();
}

void CommandLine::add(std::string_view argument, bool switchesEnded, bool* endsSwitches) {
    *endsSwitches = false;
    auto text = thread::makePooled<StrBuffer>();
    if (!switchesEnded && argument == "--") {
        *endsSwitches = true;
        return;
    }
    if (!switchesEnded && argument.size() > 1 && argument[0] == '-') {
        const size_t dashes = argument.size() > 2 && argument[1] == '-' ? 2 : 1;
        text->append(u'-');
        file::win::appendFromOsText(argument.substr(dashes), *text);
        m_switches.push_back(true);
    } else {
        file::win::appendFromOsText(argument, *text);
        m_switches.push_back(false);
    }
    m_arguments->append(text.release());
}

void CommandLine::parse(std::span<const char* const> arguments) {
    m_arguments->clear();
    m_switches.clear();
    bool switchesEnded = false;
    for (const char* argument : arguments) {
        bool ends = false;
        add(argument ? std::string_view(argument) : std::string_view(), switchesEnded, &ends);
        switchesEnded = switchesEnded || ends;
    }
}

void CommandLine::parse(int argc, const char* const* argv) {
    if (argc <= 1 || !argv) {
        m_arguments->clear();
        m_switches.clear();
        return;
    }
    parse(std::span<const char* const>(argv + 1, static_cast<size_t>(argc - 1)));
}

bool CommandLine::parseOwnProcess() {
    m_arguments->clear();
    m_switches.clear();
    const int fd = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string bytes;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    if (n < 0)
        return false;
    // Zero-separated, the program's name first.
    std::vector<const char*> arguments;
    for (size_t start = 0; start < bytes.size();) {
        arguments.push_back(bytes.c_str() + start);
        start = bytes.find('\0', start);
        if (start == std::string::npos)
            break;
        ++start;
    }
    if (!arguments.empty())
        parse(std::span<const char* const>(arguments.data() + 1, arguments.size() - 1));
    return true;
}

u32 CommandLine::count() const {
    return m_arguments->size();
}

const char16_t* CommandLine::argument(u32 i) const {
    return i < m_arguments->size() ? m_arguments->get(i)->c_str() : nullptr;
}

bool CommandLine::hasSwitch(const char16_t* name) const {
    auto wanted = thread::makePooled<StrBuffer>();
    wanted->append(u'-').append(name ? name : u"");
    return m_arguments->contains(wanted->c_str(), false);
}

bool CommandLine::isSwitch(u32 i) const {
    return i < m_switches.size() && m_switches[i];
}

void CommandLine::reset() {
    m_arguments->clear();
    m_switches.clear();
}

} // namespace s::process::commandline::win
