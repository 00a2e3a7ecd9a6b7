#include "driver/keyboard.hpp"

#ifdef _WIN32
#include <conio.h>
#include <io.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

void wait_key(std::FILE* keys) {
    std::fflush(stdout);
#ifdef _WIN32
    if (_isatty(_fileno(keys))) {
        _getch();
        return;
    }
#else
    const int fd = fileno(keys);
    termios saved;
    if (isatty(fd) && tcgetattr(fd, &saved) == 0) {
        termios raw = saved;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(fd, TCSANOW, &raw);
        // Read the terminal itself: answers typed ahead on the last line must not count as the key.
        char key;
        while (read(fd, &key, 1) < 0) {}
        tcsetattr(fd, TCSANOW, &saved);
        return;
    }
#endif
    std::getc(keys);
}
