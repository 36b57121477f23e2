// The one message loop: the application's main loop while no command runs,
// and the wait for the next user action while one does.
#pragma once

void input_wait_event();
