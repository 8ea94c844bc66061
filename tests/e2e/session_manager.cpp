/* A session manager for the tests, speaking XSMP through libSM and libICE as
 * a desktop's manager does. It listens on a local socket, prints the
 * address for SESSION_MANAGER on its first output line, and lets clients
 * register. On SIGUSR1 it asks every client to save itself before the end
 * of the session (SaveYourself: type Both, shutdown, not fast, with the
 * interaction style given), grants every interaction asked for, and, once
 * a client is done, tells it to die, or that the shutdown was cancelled
 * when the client asked for that. On SIGUSR2 it asks the same, and then
 * cancels the shutdown itself whatever the client answered, as a manager
 * does when another client cancels it or the user changes their mind.
 * Each step goes to the log, one line each:
 *
 *   registered | interact-request | interact-done cancel=0|1 |
 *   save-yourself-done success=0|1 | die | shutdown-cancelled | closed
 *
 *   session_manager LOG any|none
 *
 * It ends on SIGTERM, or once every client it told to die has gone. */

#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { kMaxClients = 8 };

struct Client {
  SmsConn sms;
  IceConn ice;
  int cancelled;
  int dying;
  int cancelAfter; /* the manager cancels this round's shutdown */
};

static struct Client clients[kMaxClients];
static int clientCount;
static FILE* logFile;
static int interactStyle = SmInteractStyleAny;
static volatile sig_atomic_t saveRequested;
static volatile sig_atomic_t cancelRequested;
static volatile sig_atomic_t stopRequested;

static void Log(const char* line) {
  fprintf(logFile, "%s\n", line);
  fflush(logFile);
}

static struct Client* ClientOf(SmPointer data) { return (struct Client*)data; }

static Status RegisterClient(SmsConn sms, SmPointer data, char* previousId) {
  (void)data;
  free(previousId);
  char* id = SmsGenerateClientID(sms);
  Status ok = SmsRegisterClientReply(sms, id);
  free(id);
  Log("registered");
  return ok;
}

static void InteractRequest(SmsConn sms, SmPointer data, int dialogType) {
  (void)data;
  (void)dialogType;
  Log("interact-request");
  SmsInteract(sms);
}

static void InteractDone(SmsConn sms, SmPointer data, Bool cancelShutdown) {
  (void)sms;
  ClientOf(data)->cancelled = cancelShutdown ? 1 : 0;
  Log(cancelShutdown ? "interact-done cancel=1" : "interact-done cancel=0");
}

static void SaveYourselfRequest(SmsConn sms, SmPointer data, int saveType, Bool shutdown, int style,
                                Bool fast, Bool global) {
  (void)sms, (void)data, (void)saveType, (void)shutdown, (void)style, (void)fast, (void)global;
}

static void Phase2Request(SmsConn sms, SmPointer data) {
  (void)data;
  SmsSaveYourselfPhase2(sms);
}

static void SaveYourselfDone(SmsConn sms, SmPointer data, Bool success) {
  struct Client* client = ClientOf(data);
  Log(success ? "save-yourself-done success=1" : "save-yourself-done success=0");
  if (client->cancelled || !success || client->cancelAfter) {
    client->cancelAfter = 0;
    Log("shutdown-cancelled");
    SmsShutdownCancelled(sms);
  } else {
    Log("die");
    client->dying = 1;
    SmsDie(sms);
  }
}

/* Every connection accepted, registered or not yet. */
static IceConn connections[kMaxClients];
static int connectionCount;

static void Drop(IceConn ice) {
  for (int i = 0; i < clientCount; ++i) {
    if (clients[i].ice != ice) continue;
    if (clients[i].sms) SmsCleanUp(clients[i].sms);
    clients[i].sms = NULL;
    clients[i].ice = NULL;
  }
  for (int i = 0; i < connectionCount; ++i) {
    if (connections[i] == ice) connections[i] = NULL;
  }
  IceSetShutdownNegotiation(ice, False);
  IceCloseConnection(ice);
  Log("closed");
}

static void CloseConnection(SmsConn sms, SmPointer data, int count, char** reasons) {
  (void)sms;
  SmFreeReasons(count, reasons);
  if (ClientOf(data)->ice) Drop(ClientOf(data)->ice);
}

static void SetProperties(SmsConn sms, SmPointer data, int count, SmProp** properties) {
  (void)sms, (void)data;
  for (int i = 0; i < count; ++i) SmFreeProperty(properties[i]);
  free(properties);
}

static void DeleteProperties(SmsConn sms, SmPointer data, int count, char** names) {
  (void)sms, (void)data;
  for (int i = 0; i < count; ++i) free(names[i]);
  free(names);
}

static void GetProperties(SmsConn sms, SmPointer data) {
  (void)data;
  SmsReturnProperties(sms, 0, NULL);
}

static Status NewClient(SmsConn sms, SmPointer managerData, unsigned long* mask,
                        SmsCallbacks* callbacks, char** failureReason) {
  (void)managerData;
  if (clientCount == kMaxClients) {
    *failureReason = strdup("too many clients");
    return 0;
  }
  struct Client* client = &clients[clientCount++];
  memset(client, 0, sizeof *client);
  client->sms = sms;
  client->ice = SmsGetIceConnection(sms);
  SmPointer data = (SmPointer)client;
  memset(callbacks, 0, sizeof *callbacks);
  callbacks->register_client.callback = RegisterClient;
  callbacks->register_client.manager_data = data;
  callbacks->interact_request.callback = InteractRequest;
  callbacks->interact_request.manager_data = data;
  callbacks->interact_done.callback = InteractDone;
  callbacks->interact_done.manager_data = data;
  callbacks->save_yourself_request.callback = SaveYourselfRequest;
  callbacks->save_yourself_request.manager_data = data;
  callbacks->save_yourself_phase2_request.callback = Phase2Request;
  callbacks->save_yourself_phase2_request.manager_data = data;
  callbacks->save_yourself_done.callback = SaveYourselfDone;
  callbacks->save_yourself_done.manager_data = data;
  callbacks->close_connection.callback = CloseConnection;
  callbacks->close_connection.manager_data = data;
  callbacks->set_properties.callback = SetProperties;
  callbacks->set_properties.manager_data = data;
  callbacks->delete_properties.callback = DeleteProperties;
  callbacks->delete_properties.manager_data = data;
  callbacks->get_properties.callback = GetProperties;
  callbacks->get_properties.manager_data = data;
  *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
          SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
          SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask |
          SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
  return 1;
}

/* Only programs of this machine reach the socket; no cookie is needed. */
static Bool AnyHost(char* hostname) {
  (void)hostname;
  return True;
}

static void OnSaveSignal(int number) {
  (void)number;
  saveRequested = 1;
}

static void OnCancelSignal(int number) {
  (void)number;
  cancelRequested = 1;
  saveRequested = 1;
}

static void OnStopSignal(int number) {
  (void)number;
  stopRequested = 1;
}

int main(int argc, char** argv) {
  if (argc != 3 || (strcmp(argv[2], "any") != 0 && strcmp(argv[2], "none") != 0)) {
    fprintf(stderr, "usage: session_manager LOG any|none\n");
    return 2;
  }
  interactStyle = strcmp(argv[2], "any") == 0 ? SmInteractStyleAny : SmInteractStyleNone;
  logFile = fopen(argv[1], "w");
  if (!logFile) {
    perror(argv[1]);
    return 1;
  }
  char error[256] = "";
  if (!SmsInitialize("numino-tests", "1", NewClient, NULL, AnyHost, sizeof error, error)) {
    fprintf(stderr, "SmsInitialize: %s\n", error);
    return 1;
  }
  int listenCount = 0;
  IceListenObj* listeners = NULL;
  if (!IceListenForConnections(&listenCount, &listeners, sizeof error, error)) {
    fprintf(stderr, "IceListenForConnections: %s\n", error);
    return 1;
  }
  for (int i = 0; i < listenCount; ++i) IceSetHostBasedAuthProc(listeners[i], AnyHost);
  // Only the local transports: the programs under test run on this machine,
  // and a network address that does not resolve would only add noise.
  char address[4096] = "";
  for (int i = 0; i < listenCount; ++i) {
    char* id = IceGetListenConnectionString(listeners[i]);
    const bool local = strncmp(id, "local/", 6) == 0 || strncmp(id, "unix/", 5) == 0;
    if (local && strlen(address) + strlen(id) + 2 < sizeof address) {
      if (address[0] != '\0') strcat(address, ",");
      strcat(address, id);
    }
    free(id);
  }
  printf("%s\n", address);
  fflush(stdout);

  struct sigaction action;
  memset(&action, 0, sizeof action);
  sigemptyset(&action.sa_mask);
  action.sa_handler = OnSaveSignal;
  sigaction(SIGUSR1, &action, NULL);
  action.sa_handler = OnCancelSignal;
  sigaction(SIGUSR2, &action, NULL);
  action.sa_handler = OnStopSignal;
  sigaction(SIGTERM, &action, NULL);

  int toldToDie = 0;
  while (!stopRequested) {
    if (saveRequested) {
      saveRequested = 0;
      for (int i = 0; i < clientCount; ++i) {
        clients[i].cancelAfter = cancelRequested;
        if (clients[i].sms) SmsSaveYourself(clients[i].sms, SmSaveBoth, True, interactStyle, False);
      }
      cancelRequested = 0;
    }
    struct pollfd fds[2 * kMaxClients];
    IceConn polled[2 * kMaxClients];
    int count = 0;
    for (int i = 0; i < listenCount && count < kMaxClients; ++i) {
      fds[count].fd = IceGetListenConnectionNumber(listeners[i]);
      fds[count].events = POLLIN;
      polled[count++] = NULL;
    }
    int alive = 0;
    for (int i = 0; i < connectionCount; ++i) {
      if (!connections[i]) continue;
      ++alive;
      fds[count].fd = IceConnectionNumber(connections[i]);
      fds[count].events = POLLIN;
      polled[count++] = connections[i];
    }
    for (int i = 0; i < clientCount; ++i) toldToDie |= clients[i].dying;
    if (toldToDie && alive == 0) break;
    if (poll(fds, (nfds_t)count, 100) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < count; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      if (!polled[i]) {
        IceAcceptStatus status;
        IceConn ice = IceAcceptConnection(listeners[i], &status);
        if (ice && connectionCount < kMaxClients) {
          connections[connectionCount++] = ice;
        } else if (ice) {
          IceCloseConnection(ice);
        }
        continue;
      }
      /* The connection may have gone within an earlier message. */
      int known = 0;
      for (int j = 0; j < connectionCount; ++j) known |= connections[j] == polled[i];
      if (known && IceProcessMessages(polled[i], NULL, NULL) == IceProcessMessagesIOError) {
        Drop(polled[i]);
      }
    }
  }
  IceFreeListenObjs(listenCount, listeners);
  fclose(logFile);
  return 0;
}
