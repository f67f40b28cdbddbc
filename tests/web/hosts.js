"use strict";
// Web servers as a publisher meets them, started on loopback for the
// hosting test and benchmark: Debian's nginx and Apache with the settings
// their packages install (nothing added for books), and Python's
// http.server. Each serves a folder at a free port.
const { spawn, execFileSync } = require("child_process");
const fs = require("fs");
const net = require("net");
const path = require("path");
const web = require("./support.js");

const NGINX = "/usr/sbin/nginx", APACHE = "/usr/sbin/apache2", PYTHON = "/usr/bin/python3";

function freePort() {
  return new Promise((resolve, reject) => {
    const s = net.createServer();
    s.once("error", reject);
    s.listen(0, "127.0.0.1", () => { const { port } = s.address(); s.close(() => resolve(port)); });
  });
}

// The nginx lines the README gives for a book's runtime.
function readmeNginxLines() {
  const readme = fs.readFileSync(path.join(__dirname, "..", "..", "README.md"), "utf8");
  const m = /\n( +)location ~ \/ruffle\/ \{\n[\s\S]*?\n\1\}\n/.exec(readme);
  if (!m) throw new Error("README.md gives no nginx lines for the runtime");
  return m[0];
}

// nginx as Debian's nginx.conf and its default site set it up, on `port`;
// with `overrides` also the README's lines for the runtime.
function nginxConfig(dir, root, port, overrides) {
  return `daemon off;
master_process off;
pid ${dir}/nginx.pid;
error_log ${dir}/error.log;
events { worker_connections 768; }
http {
  sendfile on;
  tcp_nopush on;
  types_hash_max_size 2048;
  include /etc/nginx/mime.types;
  default_type application/octet-stream;
  access_log off;
  gzip on;
  client_body_temp_path ${dir}/body;
  proxy_temp_path ${dir}/proxy;
  fastcgi_temp_path ${dir}/fastcgi;
  uwsgi_temp_path ${dir}/uwsgi;
  scgi_temp_path ${dir}/scgi;
  server {
    listen 127.0.0.1:${port};
    root ${root};
    index index.html index.htm;
    location / { try_files $uri $uri/ =404; }
${overrides ? readmeNginxLines() : ""}
  }
}
`;
}

// Apache with the modules and settings Debian enables (mods-enabled), its
// directory rules for the site, on `port`; with `overrides` it also reads
// the folder's .htaccess and has the rewrite and headers modules.
function apacheConfig(dir, root, port, overrides) {
  const extra = overrides ? ["rewrite", "headers"].map((m) =>
    `LoadModule ${m}_module /usr/lib/apache2/modules/mod_${m}.so\n`).join("") : "";
  return `${extra}DefaultRuntimeDir ${dir}
PidFile ${dir}/apache.pid
Mutex file:${dir} default
ErrorLog ${dir}/error.log
LogLevel warn
User www-data
Group www-data
Timeout 300
KeepAlive On
HostnameLookups Off
IncludeOptional /etc/apache2/mods-enabled/*.load
IncludeOptional /etc/apache2/mods-enabled/*.conf
Listen 127.0.0.1:${port}
ServerName 127.0.0.1
AccessFileName .htaccess
<Directory />
  Options FollowSymLinks
  AllowOverride None
  Require all denied
</Directory>
<Directory ${root}>
  Options Indexes FollowSymLinks
  AllowOverride ${overrides ? "All" : "None"}
  Require all granted
</Directory>
DocumentRoot ${root}
`;
}

// Resolves once something answers at `port`, or rejects after `ms`.
async function answering(port, child, ms = 10000) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    if (child && child.exitCode !== null) throw new Error("the server ended with " + child.exitCode);
    const ok = await new Promise((resolve) => {
      const s = net.connect(port, "127.0.0.1", () => { s.end(); resolve(true); });
      s.on("error", () => resolve(false));
    });
    if (ok) return;
    await new Promise((r) => setTimeout(r, 50));
  }
  throw new Error("nothing answers on port " + port);
}

/**
 * The servers by name: "nginx", "apache", "http.server"; `available(name)`
 * says whether this machine has it.
 */
const KINDS = { "nginx": NGINX, "apache": APACHE, "http.server": PYTHON };
function available(kind) {
  return fs.existsSync(KINDS[kind]);
}

/**
 * Serves `root` with the server `kind` on loopback; with `overrides` Apache
 * reads the folder's .htaccess and nginx has the README's lines. Resolves to {url, close()}. The folder and
 * the folders above it are made readable to the server's user.
 */
async function startHost(kind, root, { overrides = false } = {}) {
  root = path.resolve(root);
  const port = await freePort();
  const dir = web.tempDir("lw-host-");
  let child;
  if (kind === "nginx") {
    fs.writeFileSync(path.join(dir, "nginx.conf"), nginxConfig(dir, root, port, overrides));
    child = spawn(NGINX, ["-c", path.join(dir, "nginx.conf"), "-p", dir], { stdio: "ignore" });
  } else if (kind === "apache") {
    // Apache reads as www-data: every folder on the way must let it through.
    for (let d = root; d !== path.dirname(d); d = path.dirname(d)) fs.chmodSync(d, fs.statSync(d).mode | 0o005);
    execFileSync("chmod", ["-R", "o+rX", root]);
    fs.writeFileSync(path.join(dir, "apache.conf"), apacheConfig(dir, root, port, overrides));
    child = spawn(APACHE, ["-X", "-f", path.join(dir, "apache.conf")], { stdio: "ignore" });
  } else if (kind === "http.server") {
    child = spawn(PYTHON, ["-m", "http.server", "--bind", "127.0.0.1", "--directory", root, String(port)],
      { stdio: "ignore" });
  } else {
    throw new Error("no such server: " + kind);
  }
  try {
    await answering(port, child);
  } catch (e) {
    child.kill("SIGKILL");
    const log = path.join(dir, "error.log");
    throw new Error(`${kind}: ${e.message}${fs.existsSync(log) ? "\n" + fs.readFileSync(log, "utf8") : ""}`);
  }
  return {
    url: `http://127.0.0.1:${port}/`,
    child,
    close: async () => {
      if (child.exitCode === null) {
        const ended = new Promise((r) => child.once("exit", r));
        child.kill("SIGTERM");
        await ended;
      }
      web.removeTree(dir);
    },
  };
}

module.exports = { startHost, available, KINDS: Object.keys(KINDS) };
