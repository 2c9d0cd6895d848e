"""The first request without ?hop starts a chain of six redirects (one more than a client
may follow); every later one is answered at once. A request for hop 6 means a client
followed the sixth redirect."""

import threading

_lock = threading.Lock()
_starts = {}

OK = {"headers": [["Content-Type", "application/json"]], "body": "{\"ip\":\"10.78.0.5\"}"}


def handle(request, site):
    if "hop=" in request["path"]:
        return {"redirects": 6, "then": OK}
    with _lock:
        n = _starts.get(site.name, 0)
        _starts[site.name] = n + 1
    return {"redirects": 6, "then": OK} if n == 0 else OK
