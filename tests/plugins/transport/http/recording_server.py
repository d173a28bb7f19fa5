#!/usr/bin/env python3
"""A recording HTTP server for the HTTP transport's tests, on 127.0.0.1 at a free port.

Usage: recording_server.py DIR [--tls CERT KEY] [--lifetime SECONDS]

It writes its port to DIR/port, records every request in DIR and answers by the first segment of
the path:
  /status/NNN/...  status NNN (401 with a Basic challenge)
  /redirect/...    302 to /ok/moved;  /redirect307/... the same with 307
  /stall/...       reads the request and never answers
  anything else    200
Request N (from 0) is recorded as N.body (the exact body bytes), N.field.NAME (the value of each
part of a multipart/form-data body, split at its boundary as a server would), N.path (the path
before the query, percent-decoded) and, last, N.head: the request line's method and target, then
the header lines as they came. It stops when DIR/stop appears, writing DIR/stopped, or after its lifetime (so
that a test that died cannot leave it running).
"""
import os
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

directory = sys.argv[1]
stopping = threading.Event()
counter_lock = threading.Lock()
counter = [0]


def write(name, data):
    path = os.path.join(directory, name)
    with open(path + '.tmp', 'wb') as f:
        f.write(data)
    os.replace(path + '.tmp', path)


def multipart_fields(content_type, body):
    """The parts of a multipart/form-data body by their field names (RFC 7578)."""
    params = dict(p.strip().split('=', 1) for p in content_type.split(';')[1:] if '=' in p)
    boundary = params.get('boundary', '').strip('"').encode('latin-1')
    if not boundary:
        return {}
    fields = {}
    delimiter = b'--' + boundary
    if not body.startswith(delimiter):
        return {'!malformed': body}
    for part in body[len(delimiter):].split(b'\r\n' + delimiter):
        if part.startswith(b'--'):
            break
        head, _, value = part[2:].partition(b'\r\n\r\n')
        name = None
        for line in head.split(b'\r\n'):
            key, _, rest = line.partition(b':')
            if key.strip().lower() == b'content-disposition':
                for item in rest.split(b';'):
                    k, _, v = item.strip().partition(b'=')
                    if k == b'name':
                        name = v.strip(b'"').decode('latin-1')
        if name is not None:
            fields[name] = value
    return fields


class Handler(BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def handle_any(self):
        length = int(self.headers.get('Content-Length') or 0)
        body = self.rfile.read(length) if length else b''
        with counter_lock:
            n = counter[0]
            counter[0] += 1
        write('%d.body' % n, body)
        content_type = self.headers.get('Content-Type', '')
        if content_type.startswith('multipart/form-data'):
            for name, value in multipart_fields(content_type, body).items():
                write('%d.field.%s' % (n, name), value)
        write('%d.path' % n, urllib.parse.unquote_to_bytes(self.path.split('?', 1)[0]))
        head = [self.command.encode('latin-1'), self.path.encode('latin-1')]
        head += [('%s: %s' % (k, v)).encode('latin-1') for k, v in self.headers.items()]
        write('%d.head' % n, b'\n'.join(head) + b'\n')
        self.answer()

    def answer(self):
        segments = self.path.split('?', 1)[0].split('/')
        first = segments[1] if len(segments) > 1 else ''
        if first == 'stall':
            stopping.wait(60)
            self.close_connection = True
            return
        headers = {}
        status = 200
        if first == 'status' and len(segments) > 2 and segments[2].isdigit():
            status = int(segments[2])
            if status == 401:
                headers['WWW-Authenticate'] = 'Basic realm="qlx"'
        elif first in ('redirect', 'redirect307'):
            status = 302 if first == 'redirect' else 307
            headers['Location'] = '/ok/moved'
        # A 204 has no body: one sent anyway would stay on the connection for the next answer.
        text = b'' if status == 204 else b'recorded\n'
        self.send_response(status)
        for k, v in headers.items():
            self.send_header(k, v)
        self.send_header('Content-Type', 'text/plain')
        self.send_header('Content-Length', str(len(text)))
        self.end_headers()
        self.wfile.write(text)

    do_GET = do_PUT = do_POST = do_HEAD = do_DELETE = handle_any


def detach_from_the_test_output():
    # Wine hands a Linux program the test's own output: a server still ending when the test
    # program has ended must not hold the test runner's pipe open. Errors go to DIR/server.log.
    null = os.open(os.devnull, os.O_RDWR)
    log = os.open(os.path.join(directory, 'server.log'), os.O_WRONLY | os.O_CREAT | os.O_APPEND)
    os.dup2(null, 0)
    os.dup2(null, 1)
    os.dup2(log, 2)
    os.close(null)
    os.close(log)


def main():
    detach_from_the_test_output()
    tls = None
    lifetime = 120.0
    args = sys.argv[2:]
    while args:
        if args[0] == '--tls':
            tls, args = (args[1], args[2]), args[3:]
        elif args[0] == '--lifetime':
            lifetime, args = float(args[1]), args[2:]
        else:
            sys.exit('unknown argument ' + args[0])
    server = ThreadingHTTPServer(('127.0.0.1', 0), Handler)
    server.daemon_threads = True
    if tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(*tls)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    write('port', str(server.server_port).encode())
    threading.Thread(target=server.serve_forever, daemon=True).start()
    deadline = time.time() + lifetime
    while not os.path.exists(os.path.join(directory, 'stop')) and time.time() < deadline:
        time.sleep(0.02)
    stopping.set()
    server.shutdown()
    server.server_close()
    write('stopped', b'')


main()
