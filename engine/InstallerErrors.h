// The installer's failures: each carries only a message.
#pragma once

#include "ZUX/Base/Exceptions.h"

ZUX_DECLARE_EXCEPTION(EInstallerGeneralError, ZUX::Exception);
ZUX_DECLARE_EXCEPTION(EInstallerBackupError, EInstallerGeneralError);
ZUX_DECLARE_EXCEPTION(EInstallerInstallError, EInstallerGeneralError);
ZUX_DECLARE_EXCEPTION(EInstallerUpdateError, EInstallerInstallError);
ZUX_DECLARE_EXCEPTION(EInstallerMysteryError, EInstallerGeneralError);

class EInstallerNoAdminRightsError : public EInstallerGeneralError {
public:
    EInstallerNoAdminRightsError()
        : EInstallerGeneralError(u"Administrator rights are required to process this operation.") {}
};
