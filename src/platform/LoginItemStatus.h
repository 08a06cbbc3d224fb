#pragma once

// Whether the system starts the program when the user logs in.
enum class LoginItemStatus {
    off,
    on,
    // Registered, but the system starts it only once the user allows it in its settings.
    awaitingApproval,
};
