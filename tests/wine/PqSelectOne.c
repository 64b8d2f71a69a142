// libpq under Wine: PqSelectOne CONNINFO connects through libpq.dll to the
// server CONNINFO names (key=value pairs or a postgresql:// URI), runs
// SELECT 1 and prints its answer with libpq's and the server's versions and
// whether the connection is encrypted. Ends with 0 when the answer is one
// row of one column, 1; else with 1 and libpq's message.
#include <libpq-fe.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    PGconn *connection;
    PGresult *result;
    int ok;

    if (argc != 2) {
        fprintf(stderr, "usage: PqSelectOne CONNINFO\n");
        return 2;
    }
    connection = PQconnectdb(argv[1]);
    if (PQstatus(connection) != CONNECTION_OK) {
        printf("no connection: %s", PQerrorMessage(connection));
        PQfinish(connection);
        return 1;
    }
    result = PQexec(connection, "SELECT 1");
    ok = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) == 1 && PQnfields(result) == 1 &&
         strcmp(PQgetvalue(result, 0, 0), "1") == 0;
    if (ok)
        printf("libpq %d, server %d on %s:%s, %s: SELECT 1 returned %s\n", PQlibVersion(),
               PQserverVersion(connection), PQhost(connection), PQport(connection),
               PQsslInUse(connection) ? "TLS" : "no TLS", PQgetvalue(result, 0, 0));
    else
        printf("SELECT 1 failed (%s): %s", PQresStatus(PQresultStatus(result)), PQerrorMessage(connection));
    PQclear(result);
    PQfinish(connection);
    return ok ? 0 : 1;
}
