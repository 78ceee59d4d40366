#include "platform/winsock_errors.h"

#include <netdb.h>

#include <cerrno>

#include "core/util/win_error.h"

namespace linkvane {

std::uint32_t WinsockErrorOfErrno(int error) {
    switch (error) {
        case EINTR:
            return 10004;
        case EBADF:
            return 10009;
        case EPERM:
        case EACCES:
            return win::kWsaAccess;
        case EFAULT:
            return 10014;
        case EINVAL:
            return win::kWsaInvalidArgument;
        case EMFILE:
        case ENFILE:
            return 10024;
        case EAGAIN:
            return win::kWsaWouldBlock;
        case EINPROGRESS:
            return 10036;
        case EALREADY:
            return 10037;
        case ENOTSOCK:
            return 10038;
        case EDESTADDRREQ:
            return 10039;
        case EMSGSIZE:
            return 10040;
        case EPROTOTYPE:
            return 10041;
        case ENOPROTOOPT:
            return 10042;
        case EPROTONOSUPPORT:
            return win::kWsaProtocolNotSupported;
        case ESOCKTNOSUPPORT:
            return 10044;
        case EOPNOTSUPP:
            return 10045;
        case EPFNOSUPPORT:
            return 10046;
        case EAFNOSUPPORT:
            return 10047;
        case EADDRINUSE:
            return 10048;
        case EADDRNOTAVAIL:
            return 10049;
        case ENETDOWN:
            return 10050;
        case ENETUNREACH:
            return 10051;
        case ENETRESET:
            return 10052;
        case ECONNABORTED:
            return 10053;
        case EPIPE:
        case ECONNRESET:
            return win::kWsaConnectionReset;
        case ENOBUFS:
        case ENOMEM:
            return 10055;
        case EISCONN:
            return 10056;
        case ENOTCONN:
            return 10057;
        case ESHUTDOWN:
            return 10058;
        case ETIMEDOUT:
            return win::kWsaTimedOut;
        case ECONNREFUSED:
            return 10061;
        case EHOSTDOWN:
            return 10064;
        case EHOSTUNREACH:
            return 10065;
        default:
            return win::kWsaSyscallFailure;
    }
}

std::uint32_t WinsockErrorOfResolver(int gaiError) {
    switch (gaiError) {
        case EAI_NONAME:
            return win::kWsaHostNotFound;
        case EAI_AGAIN:
            return 11002;  // WSATRY_AGAIN
        case EAI_NODATA:
        case EAI_ADDRFAMILY:
            return 11004;  // WSANO_DATA
        case EAI_MEMORY:
            return win::kNotEnoughMemory;
        case EAI_SYSTEM:
            return WinsockErrorOfErrno(errno);
        default:
            return 11003;  // WSANO_RECOVERY
    }
}

}  // namespace linkvane
