#!/usr/bin/env bash
echo placeholder
