# The browser tests' web server: the page's folder on 127.0.0.1, and the default
# track held back a few seconds when asked (a slow connection).
#
#   python3 serve.py PORT FOLDER [SECONDS]
import functools
import http.server
import sys
import time

port, folder = int(sys.argv[1]), sys.argv[2]
hold_back = float(sys.argv[3]) if len(sys.argv) > 3 else 0.0


class Handler(http.server.SimpleHTTPRequestHandler):
    # Every load of the page fetches everything again, so each one meets the held-back track.
    def end_headers(self):
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def do_GET(self):
        if hold_back > 0 and self.path.split("?")[0].endswith(".ogg"):
            time.sleep(hold_back)
        super().do_GET()


server = http.server.ThreadingHTTPServer(("127.0.0.1", port), functools.partial(Handler, directory=folder))
server.serve_forever()
