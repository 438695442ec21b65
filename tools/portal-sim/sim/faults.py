"""Fault scenarios: loading a scenario file and choosing the rule for a request."""

import hashlib
import json

SIMPLE = {"none", "close_before_status", "close_mid_body", "status", "delay", "empty_body",
          "whitespace_body", "html_200", "truncated_json", "redirect", "set_cookie",
          "require_cookie", "continue_100", "connection_close", "close_delimited", "raw"}
KINDS = {"regions", "areas", "cities", "streets", "search", "map", "passport", "card",
         "other", "redirect", "any"}


class ScenarioError(Exception):
    pass


def strip_comments(text):
    return "\n".join(line for line in text.splitlines() if not line.lstrip().startswith("#"))


def _check_rule(rule, where, nested=False):
    if not isinstance(rule, dict):
        raise ScenarioError("%s: a rule must be an object" % where)
    fault = rule.get("fault", "none")
    if fault not in SIMPLE and (nested or fault != "random"):
        raise ScenarioError("%s: unknown fault %r" % (where, fault))
    if not nested and rule.get("endpoint", "any") not in KINDS:
        raise ScenarioError("%s: unknown endpoint %r" % (where, rule.get("endpoint")))
    if rule.get("close", "graceful") not in ("graceful", "abrupt", "reset"):
        raise ScenarioError("%s: close must be graceful, abrupt or reset" % where)
    if fault in ("status", "redirect") and "status" in rule and not isinstance(rule["status"], int):
        raise ScenarioError("%s: status must be an integer" % where)
    if fault == "status" and "status" not in rule and not nested:
        raise ScenarioError("%s: fault status needs \"status\"" % where)
    if fault == "delay" and not isinstance(rule.get("seconds", 1.0 if nested else None), (int, float)):
        raise ScenarioError("%s: fault delay needs \"seconds\"" % where)
    if fault in ("set_cookie", "require_cookie") and not isinstance(rule.get("cookie"), str):
        raise ScenarioError("%s: fault %s needs \"cookie\"" % (where, fault))
    if fault == "raw" and not ("response" in rule or "response_base64" in rule):
        raise ScenarioError("%s: fault raw needs \"response\" or \"response_base64\"" % where)
    if fault == "redirect" and not (rule.get("loop") or isinstance(rule.get("count", 3 if nested else None), int)):
        raise ScenarioError("%s: fault redirect needs \"count\" or \"loop\"" % where)
    if fault == "random":
        rate = rule.get("rate")
        if not isinstance(rate, (int, float)) or not 0 <= rate <= 1:
            raise ScenarioError("%s: random needs \"rate\" between 0 and 1" % where)
        faults = rule.get("faults")
        if not isinstance(faults, list) or not faults:
            raise ScenarioError("%s: random needs a non-empty \"faults\" list" % where)
        for k, f in enumerate(faults):
            _check_rule({"fault": f} if isinstance(f, str) else f, "%s.faults[%d]" % (where, k), True)


class Scenario:
    def __init__(self, rules=()):
        self.rules = list(rules)

    @classmethod
    def load(cls, path):
        with open(path, encoding="utf-8") as f:
            text = strip_comments(f.read())
        try:
            doc = json.loads(text)
        except ValueError as e:
            raise ScenarioError("%s: not JSON after removing comments: %s" % (path, e))
        if not isinstance(doc, dict) or not isinstance(doc.get("rules"), list):
            raise ScenarioError("%s: needs {\"rules\": [...]}" % path)
        for k, rule in enumerate(doc["rules"]):
            _check_rule(rule, "%s: rules[%d]" % (path, k))
        return cls(doc["rules"])

    def pick(self, kind, n, guid):
        """The rule that applies to request n of this kind, made concrete, or None."""
        for rule in self.rules:
            if rule.get("endpoint", "any") not in ("any", kind):
                continue
            if "requests" in rule and n not in rule["requests"]:
                continue
            if "guid" in rule and rule["guid"] != guid:
                continue
            if rule.get("fault") == "random":
                return _random_choice(rule, kind, n)
            return rule
        return None


def _random_choice(rule, kind, n):
    digest = hashlib.sha256(("%s|%s|%d" % (rule.get("seed", 0), kind, n)).encode()).digest()
    u = int.from_bytes(digest[:8], "big") / 2.0 ** 64
    if u >= rule["rate"]:
        return None
    choice = rule["faults"][int.from_bytes(digest[8:12], "big") % len(rule["faults"])]
    concrete = {k: v for k, v in rule.items() if k not in ("fault", "rate", "seed", "faults")}
    concrete.update({"fault": choice} if isinstance(choice, str) else choice)
    defaults = {"status": ("status", 500), "delay": ("seconds", 1.0), "redirect": ("count", 3)}
    if concrete["fault"] in defaults:
        key, value = defaults[concrete["fault"]]
        concrete.setdefault(key, value)
    return concrete
