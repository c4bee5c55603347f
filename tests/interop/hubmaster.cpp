/* A libmodbus master for the shared line tests: connects to a Modbus TCP server and carries out
 * the steps given as arguments, one line of output each.
 *
 *   hubmaster PORT read UNIT REGISTER COUNT    -> "read 1 2 3" or "exception N"
 *   hubmaster PORT write UNIT REGISTER VALUE   -> "written" or "exception N"
 *
 * Several steps may follow one another on one connection. Exit status 0 when every step got an
 * answer (values or a Modbus exception), 1 when one failed otherwise. */
#include <modbus.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static int Exception(void) {
    /* libmodbus reports a Modbus exception as an errno above its own base. */
    if (errno > MODBUS_ENOBASE && errno < MODBUS_ENOBASE + 0x20) {
        printf("exception %d\n", errno - MODBUS_ENOBASE);
        return 0;
    }
    printf("failed: %s\n", modbus_strerror(errno));
    return 1;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: hubmaster PORT (read|write UNIT REGISTER N)...\n");
        return 2;
    }
    modbus_t* master = modbus_new_tcp("127.0.0.1", atoi(argv[1]));
    if (!master || modbus_connect(master) != 0) {
        fprintf(stderr, "cannot connect: %s\n", modbus_strerror(errno));
        return 1;
    }
    modbus_set_response_timeout(master, 5, 0);
    int failed = 0;
    for (int i = 2; i + 3 < argc; i += 4) {
        const char* step = argv[i];
        const int unit = atoi(argv[i + 1]);
        const int reg = int(std::strtol(argv[i + 2], nullptr, 0));
        const int n = atoi(argv[i + 3]);
        modbus_set_slave(master, unit);
        if (strcmp(step, "read") == 0) {
            uint16_t words[125];
            if (n < 1 || n > 125) return 2;
            if (modbus_read_registers(master, reg, n, words) == n) {
                printf("read");
                for (int w = 0; w < n; ++w)
                    printf(" %u", unsigned(words[w]));
                printf("\n");
            } else {
                failed |= Exception();
            }
        } else if (strcmp(step, "write") == 0) {
            if (modbus_write_register(master, reg, static_cast<uint16_t>(n)) == 1)
                printf("written\n");
            else
                failed |= Exception();
        } else {
            return 2;
        }
        fflush(stdout);
    }
    modbus_close(master);
    modbus_free(master);
    return failed;
}
