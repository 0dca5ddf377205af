#include "platform/drivers/IicDriver.h"

#include <fcntl.h>
#include <unistd.h>

#include <system_error>

#include "platform/core/UniqueFd.h"

namespace dv {
namespace {

constexpr DWORD kWrite = 0;
constexpr std::size_t kTransferSize = 3;
constexpr BYTE kChipAddress = 0x8A;
constexpr off_t kRegisterCount = 256;

}  // namespace

DWORD IicDriver::OnControl(DWORD code, std::span<const BYTE> input) {
    if (code != kWrite || input.size() != kTransferSize) {
        return ERROR_INVALID_PARAMETER;
    }
    if (input[0] != kChipAddress) {
        return ERROR_GEN_FAILURE;  // nobody acknowledges that address
    }
    std::filesystem::path regs = StatePath(".regs");
    std::error_code ec;
    std::filesystem::create_directories(regs.parent_path(), ec);
    UniqueFd fd(::open(regs.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.Valid() || ::ftruncate(fd.Get(), kRegisterCount) != 0) {
        return ERROR_GEN_FAILURE;
    }
    BYTE value = input[2];
    if (::pwrite(fd.Get(), &value, 1, static_cast<off_t>(input[1])) != 1) {
        return ERROR_GEN_FAILURE;
    }
    return ERROR_SUCCESS;
}

}  // namespace dv
