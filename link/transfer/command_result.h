// The result of the editor's upload and download commands, with the values the editor gives them.
#pragma once

enum class [[nodiscard]] TransferCommandResult : int { Ok = 0, Fail = -1 };
